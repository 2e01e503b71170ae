#include "playback/engine/Renderer.h"

#include "common/Failure.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Ramps.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr double dipSeconds = 0.004;  // each way, when the converter changes
constexpr double rateSeconds = 0.030; // time constant of the speed glide
// A window's end told again agrees with the last within the audio queued
// ahead; only a clock change moves it further, and then the level glides.
constexpr double edgeToleranceSeconds = 2.0;
constexpr double edgeGlideSeconds = 0.5;
// Above this speed the sinc converter costs too much; linear keeps real time.
constexpr double sincLimit = 4.0;
constexpr size_t feedFrames = 512;

// libsamplerate takes ratios down to 1/256: a 384 kHz file at high speed
// plays as fast as the converter can instead of not at all.
double converterRatio(int outputRate, int sourceRate, double speed)
{
    return std::max(double(outputRate) / (double(sourceRate) * speed), 1.0 / 256);
}
} // namespace

void Renderer::Ramp::to(float goal, int frames)
{
    target = goal;
    if (frames <= 0 || goal == value) {
        value = goal;
        left = 0;
        step = 0;
        return;
    }
    left = frames;
    step = (goal - value) / float(frames);
}

float Renderer::volumeGain(int volume)
{
    if (volume <= 0)
        return 0.0f;
    return float(std::pow(10.0, (volume - 100) * 0.4 / 20.0));
}

Renderer::Renderer(FrameSource& source, int sourceRate, int outputRate)
    : m_source(source), m_sourceRate(sourceRate), m_outputRate(outputRate),
      m_feedBuffer(feedFrames * frame::channels)
{
    int err = 0;
    m_sinc = src_callback_new(&Renderer::feed, SRC_SINC_FASTEST, frame::channels, &err, this);
    if (m_sinc)
        m_linear = src_callback_new(&Renderer::feed, SRC_LINEAR, frame::channels, &err, this);
    if (!m_sinc || !m_linear) {
        src_delete(m_sinc);
        throw Failure(QString("resampler unavailable: %1").arg(src_strerror(err)));
    }
    m_volumeRamp.to(volumeGain(m_volume), 0);
    m_modeRamp.to(1.0f, 0);
    m_transportRamp.value = 0.0f;
    m_transportRamp.to(1.0f, int(ramp::fadeSeconds * m_outputRate));
    useMode(modeFor(m_rate));
}

Renderer::~Renderer()
{
    src_delete(m_sinc);
    src_delete(m_linear);
}

void Renderer::setVolume(int volume)
{
    if (volume == m_volume)
        return;
    m_volume = volume;
    m_volumeRamp.to(volumeGain(volume), m_started ? int(ramp::glideSeconds * m_outputRate) : 0);
}

void Renderer::setRate(double rate)
{
    if (rate == m_targetRate)
        return;
    m_targetRate = rate;
    if (!m_started) {
        m_rate = rate;
        useMode(modeFor(rate));
    }
}

void Renderer::stop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_transportRamp.to(0.0f, int(ramp::fadeSeconds * m_outputRate));
}

void Renderer::setEdgeFade(const EdgeFade& fade)
{
    if (!m_started) {
        m_edges = FadeEnvelope(fade, m_outputRate);
        return;
    }
    const FadeEnvelope next = m_edges.retimed(fade);
    if (next.closeTo(m_edges, edgeToleranceSeconds * m_outputRate))
        return;
    m_oldEdges = m_edges;
    m_edges = next;
    m_edgesBlend.value = 0.0f;
    m_edgesBlend.to(1.0f, int(edgeGlideSeconds * m_outputRate));
}

float Renderer::edgeGain() const
{
    if (!m_edgesBlend.moving())
        return m_edges.gain();
    const float b = m_edgesBlend.value;
    return b * m_edges.gain() + (1.0f - b) * m_oldEdges.gain();
}

// The edges change slowly: their gain is worked out per block and drawn
// straight between block ends.
void Renderer::applyEdges(float* block, size_t frames)
{
    if (m_edges.unity() && !m_edgesBlend.moving()) {
        m_edges.advance(long(frames));
        return;
    }
    const float from = edgeGain();
    const size_t audible = size_t(m_edges.audibleFrames(long(frames)));
    m_edges.advance(long(frames));
    m_oldEdges.advance(long(frames));
    for (size_t i = 0; i < frames; ++i)
        m_edgesBlend.next();
    const float to = edgeGain();
    const float step = (to - from) / float(frames);
    for (size_t i = 0; i < audible; ++i) {
        const float g = from + step * float(i + 1);
        block[2 * i] *= g;
        block[2 * i + 1] *= g;
    }
    // Silence from the window's end on, to the sample.
    std::fill(block + audible * frame::channels, block + frames * frame::channels, 0.0f);
}

Renderer::Mode Renderer::modeFor(double rate) const
{
    if (rate == 1.0 && m_sourceRate == m_outputRate)
        return Mode::Direct;
    return rate <= sincLimit ? Mode::Sinc : Mode::Linear;
}

void Renderer::useMode(Mode mode)
{
    m_mode = mode;
    m_rate = m_targetRate;
    if (mode == Mode::Direct)
        return;
    SRC_STATE* state = mode == Mode::Sinc ? m_sinc : m_linear;
    src_reset(state);
    src_set_ratio(state, converterRatio(m_outputRate, m_sourceRate, m_rate));
}

long Renderer::feed(void* self, float** data)
{
    auto* r = static_cast<Renderer*>(self);
    *data = r->m_feedBuffer.data();
    size_t n = r->m_source.read(r->m_feedBuffer.data(), feedFrames);
    r->m_consumed += n;
    if (n == 0) {
        if (r->m_source.exhausted()) {
            r->m_sourceDone = true;
            return 0; // the converter flushes its tail
        }
        // Nothing decoded yet: keep the converter running on silence.
        n = 64;
        std::fill_n(r->m_feedBuffer.data(), n * frame::channels, 0.0f);
        r->m_underrunNow = true;
    }
    return long(n);
}

size_t Renderer::produce(float* out, size_t frames)
{
    if (m_mode == Mode::Direct) {
        const size_t n = m_source.read(out, frames);
        m_consumed += n;
        if (n < frames && m_source.exhausted())
            m_sourceDone = true;
        return n;
    }
    SRC_STATE* state = m_mode == Mode::Sinc ? m_sinc : m_linear;
    const double ratio = converterRatio(m_outputRate, m_sourceRate, m_rate);
    m_underrunNow = false;
    const long n = src_callback_read(state, ratio, long(frames), out);
    if (m_underrunNow)
        m_underrun += frames;
    if (n < long(frames))
        m_sourceDone = true; // end of input flushed, or the converter failed
    return n > 0 ? size_t(n) : 0;
}

void Renderer::render(float* out, size_t frames)
{
    m_started = true;
    size_t done = 0;
    while (done < frames) {
        float* block = out + done * frame::channels;
        const size_t n = std::min(frames - done, size_t(maxBlock));
        if (m_finished) {
            std::fill_n(block, (frames - done) * frame::channels, 0.0f);
            return;
        }

        if (m_rate != m_targetRate) {
            const double k = std::min(1.0, double(n) / (rateSeconds * m_outputRate));
            m_rate += (m_targetRate - m_rate) * k;
            if (std::abs(m_rate - m_targetRate) < 1e-4 * m_targetRate)
                m_rate = m_targetRate;
        }
        const Mode wanted = modeFor(m_targetRate);
        if (wanted != m_mode && !m_modeRamp.moving()) {
            if (m_modeRamp.value > 0.0f) {
                m_modeRamp.to(0.0f, int(dipSeconds * m_outputRate));
            } else {
                useMode(wanted);
                m_modeRamp.to(1.0f, int(dipSeconds * m_outputRate));
            }
        }

        const size_t got = m_sourceDone ? 0 : produce(block, n);
        if (!m_volumeRamp.moving() && !m_modeRamp.moving() && !m_transportRamp.moving()) {
            const float g = m_volumeRamp.value * m_modeRamp.value * m_transportRamp.value;
            if (g != 1.0f)
                for (size_t i = 0; i < got * frame::channels; ++i)
                    block[i] *= g;
        } else {
            for (size_t i = 0; i < got; ++i) {
                const float g = m_volumeRamp.next() * m_modeRamp.next() * m_transportRamp.next();
                block[2 * i] *= g;
                block[2 * i + 1] *= g;
            }
        }
        applyEdges(block, n);
        if (got < n) {
            std::fill_n(block + got * frame::channels, (n - got) * frame::channels, 0.0f);
            if (m_sourceDone) {
                m_ended = true;
                m_finished = true;
            } else if (m_mode == Mode::Direct) {
                m_underrun += n - got;
            }
        }
        // Whatever the file, the volume and the converter's overshoot do,
        // nothing leaves here beyond full scale.
        for (size_t i = 0; i < got * frame::channels; ++i) {
            const float v = block[i];
            block[i] = v > 1.0f ? 1.0f : v < -1.0f ? -1.0f : v == v ? v : 0.0f;
        }
        if (m_stopping && !m_transportRamp.moving())
            m_finished = true;
        done += n;
    }
}
