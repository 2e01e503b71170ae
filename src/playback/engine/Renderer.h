#pragma once

#include "playback/engine/EdgeFade.h"
#include "playback/engine/FrameSource.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SRC_STATE_tag;

// Turns source frames into output frames: speed change, volume, and the
// ramps that keep starts, stops and changes free of clicks. Its output is a
// function of the source and the calls made on it, nothing else, so it can
// be run offline far faster than real time. It allocates only when built;
// render() never blocks, locks or allocates, and every sample it writes lies
// within [-1, 1].
class Renderer
{
public:
    static constexpr int maxBlock = 256;

    // Starts with volume 50, rate 1 and a short fade-in.
    Renderer(FrameSource& source, int sourceRate, int outputRate);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Gain of a 0..100 volume: 100 is unity, each step below is 0.4 dB
    // quieter (1 is about -40 dB), 0 is silence.
    static float volumeGain(int volume);

    void setVolume(int volume);
    void setRate(double rate);
    // Fades out within a few milliseconds, then renders silence.
    void stop();
    // The play window's edges, counted in rendered time from the first
    // render. Told again while playing, a moved end (the clock was changed)
    // glides to the level the fade has there.
    void setEdgeFade(const EdgeFade& fade);

    void render(float* out, size_t frames);

    // Stopped and faded out, or the source ended and everything was played.
    bool finished() const { return m_finished; }
    bool ended() const { return m_ended; }
    // Source frames taken so far, and output frames that had to be silence
    // because the source had nothing ready.
    uint64_t framesConsumed() const { return m_consumed; }
    uint64_t underrunFrames() const { return m_underrun; }

private:
    enum class Mode { Direct, Sinc, Linear };

    // Linear ramp of a gain towards a target over a fixed number of frames.
    struct Ramp {
        float value = 1.0f;
        float target = 1.0f;
        float step = 0.0f;
        int left = 0;
        void to(float goal, int frames);
        bool moving() const { return left > 0; }
        float next()
        {
            if (left > 0) {
                value = --left == 0 ? target : value + step;
            }
            return value;
        }
    };

    static long feed(void* self, float** data);
    Mode modeFor(double rate) const;
    void useMode(Mode mode);
    size_t produce(float* out, size_t frames);
    float edgeGain() const;
    void applyEdges(float* block, size_t frames);

    FrameSource& m_source;
    const int m_sourceRate;
    const int m_outputRate;
    SRC_STATE_tag* m_sinc = nullptr;
    SRC_STATE_tag* m_linear = nullptr;
    Mode m_mode = Mode::Direct;
    std::vector<float> m_feedBuffer;

    int m_volume = 50;
    double m_targetRate = 1.0;
    double m_rate = 1.0;
    Ramp m_volumeRamp;
    Ramp m_modeRamp;      // dips to silence while the converter is swapped
    Ramp m_transportRamp; // start and stop fades
    FadeEnvelope m_edges;
    FadeEnvelope m_oldEdges; // faded from while the clock change glides
    Ramp m_edgesBlend;       // 0: the old edges, 1: the new
    bool m_stopping = false;
    bool m_sourceDone = false;
    bool m_finished = false;
    bool m_ended = false;
    uint64_t m_consumed = 0;
    uint64_t m_underrun = 0;
    bool m_underrunNow = false;
    bool m_started = false;
};
