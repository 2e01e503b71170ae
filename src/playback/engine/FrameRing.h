#pragma once

#include "playback/engine/Frames.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

// Single-producer single-consumer ring of interleaved stereo float frames.
// Neither side blocks, locks or allocates; capacity is a power of two.
class FrameRing
{
public:
    // Positions wrap by masking: any other capacity would mix up frames.
    explicit FrameRing(size_t capacityFrames)
        : m_capacity(checkedCapacity(capacityFrames)), m_mask(capacityFrames - 1),
          m_data(new float[capacityFrames * frame::channels]())
    {
    }

    size_t capacity() const { return m_capacity; }
    size_t readable() const
    {
        return static_cast<size_t>(m_written.load(std::memory_order_acquire) -
                                   m_read.load(std::memory_order_relaxed));
    }
    size_t writable() const
    {
        return m_capacity - static_cast<size_t>(m_written.load(std::memory_order_relaxed) -
                                                m_read.load(std::memory_order_acquire));
    }

    // Producer side.
    size_t write(const float* src, size_t frames)
    {
        const uint64_t w = m_written.load(std::memory_order_relaxed);
        const uint64_t r = m_read.load(std::memory_order_acquire);
        const size_t n = std::min(frames, m_capacity - static_cast<size_t>(w - r));
        copyIn(static_cast<size_t>(w & m_mask), src, n);
        m_written.store(w + n, std::memory_order_release);
        return n;
    }

    // Consumer side.
    size_t read(float* dst, size_t frames)
    {
        const uint64_t r = m_read.load(std::memory_order_relaxed);
        const uint64_t w = m_written.load(std::memory_order_acquire);
        const size_t n = std::min(frames, static_cast<size_t>(w - r));
        copyOut(static_cast<size_t>(r & m_mask), dst, n);
        m_read.store(r + n, std::memory_order_release);
        return n;
    }

private:
    static size_t checkedCapacity(size_t frames)
    {
        if (frames == 0 || (frames & (frames - 1)) != 0)
            throw std::invalid_argument("FrameRing capacity must be a power of two");
        return frames;
    }

    void copyIn(size_t at, const float* src, size_t n)
    {
        float* ring = m_data.get();
        const size_t first = std::min(n, m_capacity - at);
        std::memcpy(ring + at * frame::channels, src, first * frame::channels * sizeof(float));
        std::memcpy(ring, src + first * frame::channels,
                    (n - first) * frame::channels * sizeof(float));
    }
    void copyOut(size_t at, float* dst, size_t n) const
    {
        const float* ring = m_data.get();
        const size_t first = std::min(n, m_capacity - at);
        std::memcpy(dst, ring + at * frame::channels, first * frame::channels * sizeof(float));
        std::memcpy(dst + first * frame::channels, ring,
                    (n - first) * frame::channels * sizeof(float));
    }

    const size_t m_capacity;
    const size_t m_mask;
    std::unique_ptr<float[]> m_data;
    alignas(64) std::atomic<uint64_t> m_written{0};
    alignas(64) std::atomic<uint64_t> m_read{0};
};
