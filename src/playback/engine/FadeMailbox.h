#pragma once

#include "playback/engine/EdgeFade.h"

#include <atomic>
#include <cstdint>

// The play window's edges as last told, with when (steady clock ticks),
// handed from one writer to any number of readers without a lock: a
// sequence lock, odd while a write is in progress, so a reader never takes
// half of one edge and half of the next.
class FadeMailbox
{
public:
    struct Told {
        EdgeFade fade;
        int64_t when = 0;
    };

    // One thread only.
    void put(const Told& told)
    {
        // Each field is stored with release, so a reader that sees any new
        // field also sees the odd count before it (no fences: the thread
        // sanitizer cannot follow them).
        const unsigned s = m_sequence.load(std::memory_order_relaxed);
        m_sequence.store(s + 1, std::memory_order_relaxed);
        m_in.store(told.fade.in, std::memory_order_release);
        m_out.store(told.fade.out, std::memory_order_release);
        m_untilEnd.store(told.fade.untilEnd, std::memory_order_release);
        m_when.store(told.when, std::memory_order_release);
        m_sequence.store(s + 2, std::memory_order_release);
    }

    // What was told since `seen`, whole, into `told`; false when nothing
    // new or a write was in progress (the next look takes it). Never waits.
    bool takeNew(unsigned& seen, Told& told) const
    {
        const unsigned s = m_sequence.load(std::memory_order_acquire);
        if (s == seen || (s & 1U) != 0)
            return false;
        told = readFields();
        if (m_sequence.load(std::memory_order_relaxed) != s)
            return false;
        seen = s;
        return true;
    }

    // The last whole write; tries again while one is in progress, which
    // lasts a few stores.
    Told latest(unsigned* seen = nullptr) const
    {
        unsigned taken = ~0U;
        Told told;
        while (!takeNew(taken, told))
            taken = ~0U;
        if (seen)
            *seen = taken;
        return told;
    }

private:
    Told readFields() const
    {
        return Told{EdgeFade{m_in.load(std::memory_order_acquire),
                             m_out.load(std::memory_order_acquire),
                             m_untilEnd.load(std::memory_order_acquire)},
                    m_when.load(std::memory_order_acquire)};
    }

    std::atomic<unsigned> m_sequence{0};
    std::atomic<double> m_in{0.0};
    std::atomic<double> m_out{0.0};
    std::atomic<double> m_untilEnd{-1.0};
    std::atomic<int64_t> m_when{0};
};
