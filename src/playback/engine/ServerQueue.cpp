#include "playback/engine/ServerQueue.h"

#include "playback/engine/Frames.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace
{
using Sample = ServerQueue::Sample;

// Gain and conversion of a run of frames whose gain moves in a straight
// line; plain arithmetic, so the compiler can vectorise it.
void convert(const float* in, Sample* out, size_t frames, float gain, float step)
{
    const int n = int(frames);
    for (int i = 0; i < n; ++i) {
        const float g = gain + step * float(i);
        for (int c = 0; c < frame::channels; ++c) {
            const float v = in[i * frame::channels + c] * g;
            if constexpr (std::is_same_v<Sample, float>) {
                out[i * frame::channels + c] = static_cast<Sample>(v);
            } else {
                // Clamped, then rounded half away from zero by truncation.
                const float s = std::min(std::max(v * 32768.0f, -32768.0f), 32767.0f);
                out[i * frame::channels + c] = Sample(int32_t(s + std::copysign(0.5f, s)));
            }
        }
    }
}
} // namespace

float ServerQueue::Glide::at(uint64_t frame) const
{
    if (frame >= to)
        return toGain;
    if (frame <= from)
        return fromGain;
    return fromGain + (toGain - fromGain) * float(frame - from) / float(to - from);
}

void ServerQueue::reset(size_t frames, float gain)
{
    if (frames != m_capacity)
        m_frames.reset(new float[frames * frame::channels]());
    m_capacity = frames;
    m_now = m_before = Glide{0, 0, gain, gain};
}

float* ServerQueue::slot(uint64_t at, size_t* frames)
{
    const size_t i = size_t(at % m_capacity);
    *frames = std::min(*frames, m_capacity - i);
    return m_frames.get() + i * frame::channels;
}

float ServerQueue::gainAt(uint64_t at) const
{
    return at < m_now.from ? m_before.at(at) : m_now.at(at);
}

void ServerQueue::render(uint64_t at, size_t frames, Sample* out) const
{
    size_t done = 0;
    while (done < frames) {
        const uint64_t f = at + done;
        size_t run = frames - done;
        const size_t i = size_t(f % m_capacity);
        run = std::min(run, m_capacity - i);
        // One straight piece of the gain.
        const Glide& g = f < m_now.from ? m_before : m_now;
        if (f < m_now.from)
            run = size_t(std::min<uint64_t>(run, m_now.from - f));
        float gain = g.at(f);
        float step = 0.0f;
        if (f < g.from) {
            run = size_t(std::min<uint64_t>(run, g.from - f));
        } else if (f < g.to) {
            run = size_t(std::min<uint64_t>(run, g.to - f));
            step = (g.toGain - g.fromGain) / float(g.to - g.from);
        }
        convert(m_frames.get() + i * frame::channels, out + done * frame::channels, run, gain,
                step);
        done += run;
    }
}

void ServerQueue::glide(uint64_t start, float gain, uint64_t frames)
{
    const float from = m_now.at(start);
    m_before = m_now;
    m_now = Glide{start, start + frames, from, gain};
}

void ServerQueue::replace(uint64_t at, size_t frames, const float* fresh, uint64_t since,
                          size_t fade)
{
    for (size_t k = 0; k < frames; ++k) {
        const uint64_t f = at + k;
        const uint64_t into = f - std::min(f, since);
        const float t = f < since ? 0.0f : into < fade ? float(into + 1) / float(fade + 1) : 1.0f;
        float* kept = m_frames.get() + size_t(f % m_capacity) * frame::channels;
        for (size_t c = 0; c < size_t(frame::channels); ++c)
            kept[c] = fresh[k * frame::channels + c] * t + kept[c] * (1.0f - t);
    }
}
