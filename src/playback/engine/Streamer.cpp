#include "playback/engine/Streamer.h"

#include "playback/engine/Decoder.h"

#include <algorithm>
#include <chrono>

namespace {
constexpr size_t chunkFrames = 4096;
constexpr size_t minPrefillFrames = 16384;
} // namespace

DecodeLoop::DecodeLoop(Decoder& decoder, const std::atomic<bool>& loop)
    : decoder_(decoder)
    , loop_(loop)
{
}

size_t DecodeLoop::read(float* dst, size_t frames)
{
    size_t total = 0;
    while (total < frames) {
        if (atEnd_) {
            // A pass that gave nothing means the file went bad: do not spin.
            if (!loop_.load(std::memory_order_relaxed) || passFrames_ == 0
                || !decoder_.rewind())
                break;
            atEnd_ = false;
            passFrames_ = 0;
        }
        const size_t n = decoder_.read(dst + total * Decoder::channels, frames - total);
        if (n == 0) {
            atEnd_ = true;
            continue;
        }
        total += n;
        passFrames_ += n;
    }
    return total;
}

size_t DecodeSource::read(float* dst, size_t frames)
{
    const size_t n = loop_.read(dst, frames);
    if (n < frames)
        over_ = true;
    return n;
}

Streamer::Streamer(std::unique_ptr<Decoder> decoder, const std::atomic<bool>& loop,
                   double drainRate, std::function<void()> tick)
    : decoder_(std::move(decoder))
    , loop_(*decoder_, loop)
    , loopFlag_(loop)
    , tick_(std::move(tick))
    , ring_(ringFrames)
    , chunk_(chunkFrames * Decoder::channels)
    , drainRate_(drainRate)
{
    // 50 ms of output, whatever the speed, within three quarters of the ring.
    const size_t prefill = std::clamp(size_t(drainRate * 0.05), minPrefillFrames, ringFrames * 3 / 4);
    while (ring_.readable() < prefill && end_.load() == Streaming)
        fill();
    worker_ = std::thread([this] { run(); });
}

Streamer::~Streamer()
{
    {
        std::lock_guard lock(wakeMutex_);
        quit_.store(true);
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

void Streamer::setDrainRate(double framesPerSecond)
{
    {
        std::lock_guard lock(wakeMutex_);
        drainRate_.store(framesPerSecond);
    }
    wake_.notify_all();
}

// Decodes one chunk into the ring; false when there was no room.
bool Streamer::fill()
{
    const size_t room = ring_.writable();
    if (room < chunkFrames / 2)
        return false;
    const size_t n = loop_.read(chunk_.data(), std::min(room, chunkFrames));
    ring_.write(chunk_.data(), n);
    if (n < std::min(room, chunkFrames))
        end_.store(EndPending, std::memory_order_release);
    return true;
}

void Streamer::run()
{
    using namespace std::chrono;
    auto nextTick = steady_clock::now();
    while (!quit_.load()) {
        if (tick_ && steady_clock::now() >= nextTick) {
            tick_();
            nextTick = steady_clock::now() + milliseconds(250);
        }
        int end = end_.load(std::memory_order_acquire);
        if (end == Ended)
            break;
        if (end == EndPending) {
            // Loop switched on before the last frame played: carry on.
            if (loopFlag_.load() && end_.compare_exchange_strong(end, Streaming)) {
                continue;
            }
            std::this_thread::sleep_for(milliseconds(5));
            continue;
        }
        while (!quit_.load() && end_.load() == Streaming && fill()) {
        }
        // Sleep until the ring is about half drained, or the speed changes.
        const double rate = std::max(1.0, drainRate_.load());
        const double excess = double(ring_.readable()) - double(ring_.capacity()) / 2;
        const double ms = std::clamp(excess / rate * 1000.0, 2.0, 250.0);
        std::unique_lock lock(wakeMutex_);
        if (!quit_.load())
            wake_.wait_for(lock, microseconds(static_cast<long>(ms * 1000)));
    }
}

size_t Streamer::read(float* dst, size_t frames)
{
    return ring_.read(dst, frames);
}

bool Streamer::exhausted()
{
    int end = end_.load(std::memory_order_acquire);
    if (end == Ended)
        return true;
    // With loop switched on the worker is about to carry on: wait for it.
    if (end == EndPending && ring_.readable() == 0 && !loopFlag_.load())
        return end_.compare_exchange_strong(end, Ended) || end == Ended;
    return false;
}
