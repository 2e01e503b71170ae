#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>

// Single-producer single-consumer ring of interleaved stereo float frames.
// Neither side blocks, locks or allocates; capacity is a power of two.
class FrameRing {
public:
    static constexpr int channels = 2;

    explicit FrameRing(size_t capacityFrames)
        : capacity_(capacityFrames)
        , mask_(capacityFrames - 1)
        , data_(new float[capacityFrames * channels]())
    {
    }

    size_t capacity() const { return capacity_; }
    size_t readable() const
    {
        return static_cast<size_t>(written_.load(std::memory_order_acquire)
                                   - read_.load(std::memory_order_relaxed));
    }
    size_t writable() const
    {
        return capacity_
            - static_cast<size_t>(written_.load(std::memory_order_relaxed)
                                  - read_.load(std::memory_order_acquire));
    }

    // Producer side.
    size_t write(const float* src, size_t frames)
    {
        const uint64_t w = written_.load(std::memory_order_relaxed);
        const uint64_t r = read_.load(std::memory_order_acquire);
        const size_t n = std::min(frames, capacity_ - static_cast<size_t>(w - r));
        copyIn(static_cast<size_t>(w & mask_), src, n);
        written_.store(w + n, std::memory_order_release);
        return n;
    }

    // Consumer side.
    size_t read(float* dst, size_t frames)
    {
        const uint64_t r = read_.load(std::memory_order_relaxed);
        const uint64_t w = written_.load(std::memory_order_acquire);
        const size_t n = std::min(frames, static_cast<size_t>(w - r));
        copyOut(static_cast<size_t>(r & mask_), dst, n);
        read_.store(r + n, std::memory_order_release);
        return n;
    }

private:
    void copyIn(size_t at, const float* src, size_t n)
    {
        float* ring = data_.get();
        const size_t first = std::min(n, capacity_ - at);
        std::memcpy(ring + at * channels, src, first * channels * sizeof(float));
        std::memcpy(ring, src + first * channels, (n - first) * channels * sizeof(float));
    }
    void copyOut(size_t at, float* dst, size_t n) const
    {
        const float* ring = data_.get();
        const size_t first = std::min(n, capacity_ - at);
        std::memcpy(dst, ring + at * channels, first * channels * sizeof(float));
        std::memcpy(dst + first * channels, ring, (n - first) * channels * sizeof(float));
    }

    const size_t capacity_;
    const size_t mask_;
    std::unique_ptr<float[]> data_;
    alignas(64) std::atomic<uint64_t> written_{0};
    alignas(64) std::atomic<uint64_t> read_{0};
};
