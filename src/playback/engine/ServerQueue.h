#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The frames lately written to a sound server, kept as the player gave
// them (at unity), so a change of volume, a stop or a new speed can write
// what the server still holds again. The volume goes over them on the way
// out, with the conversion to the server's format, in one pass.
//
// Frames are counted from the stream's start. A change is heard from a
// frame a little ahead of the server: a rewrite may arrive after the server
// took some of it, so what lies before that frame is written again
// unchanged and nothing steps, wherever the rewrite is picked up.
class ServerQueue
{
public:
    // What goes to the server. 16 bits: half the data of float, so fewer
    // hand-overs that wake both sides (float cost more on PulseAudio and on
    // PipeWire alike), and nothing lost for held loops, whose samples are
    // 16-bit already.
    using Sample = int16_t;

    // Room for `frames` frames; everything before is forgotten.
    void reset(size_t frames, float gain);
    size_t capacity() const { return m_capacity; }

    // Where frame `at` is kept; `frames` is cut to what follows it there.
    float* slot(uint64_t at, size_t* frames);
    // Frames `at` to `at + frames` at their gain, into `out`.
    void render(uint64_t at, size_t frames, Sample* out) const;
    // From frame `start` on the gain glides to `gain` over `frames` frames;
    // before it, it stays as it was. `start` must lie after the last start.
    void glide(uint64_t start, float gain, uint64_t frames);
    // The frames from `at` on replaced by `fresh`, crossfaded from what was
    // there over `fade` frames counted from `since`.
    void replace(uint64_t at, size_t frames, const float* fresh, uint64_t since, size_t fade);

    float gainAt(uint64_t at) const;
    uint64_t lastStart() const { return m_now.from; }

private:
    // A straight line from `fromGain` at `from` to `toGain` at `to`, flat
    // on either side.
    struct Glide {
        uint64_t from = 0;
        uint64_t to = 0;
        float fromGain = 1.0f;
        float toGain = 1.0f;
        float at(uint64_t frame) const;
    };

    std::unique_ptr<float[]> m_frames; // a ring, in frames
    size_t m_capacity = 0;
    Glide m_now;
    Glide m_before; // for frames before m_now.from
};
