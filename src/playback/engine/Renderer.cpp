#include "playback/engine/Renderer.h"

#include "app/Failure.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double fadeSeconds = 0.005;   // start and stop
constexpr double dipSeconds = 0.004;    // each way, when the converter changes
constexpr double volumeSeconds = 0.020; // volume glide
constexpr double rateSeconds = 0.030;   // time constant of the speed glide
// Above this speed the sinc converter costs too much; linear keeps real time.
constexpr double sincLimit = 4.0;
constexpr size_t feedFrames = 512;
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
    : source_(source)
    , sourceRate_(sourceRate)
    , outputRate_(outputRate)
    , feedBuffer_(feedFrames * channels)
{
    int err = 0;
    sinc_ = src_callback_new(&Renderer::feed, SRC_SINC_FASTEST, channels, &err, this);
    if (sinc_)
        linear_ = src_callback_new(&Renderer::feed, SRC_LINEAR, channels, &err, this);
    if (!sinc_ || !linear_) {
        src_delete(sinc_);
        throw Failure(QString("resampler unavailable: %1").arg(src_strerror(err)));
    }
    volumeRamp_.to(volumeGain(volume_), 0);
    modeRamp_.to(1.0f, 0);
    transportRamp_.value = 0.0f;
    transportRamp_.to(1.0f, int(fadeSeconds * outputRate_));
    useMode(modeFor(rate_));
}

Renderer::~Renderer()
{
    src_delete(sinc_);
    src_delete(linear_);
}

void Renderer::setVolume(int volume)
{
    if (volume == volume_)
        return;
    volume_ = volume;
    volumeRamp_.to(volumeGain(volume), started_ ? int(volumeSeconds * outputRate_) : 0);
}

void Renderer::setRate(double rate)
{
    if (rate == targetRate_)
        return;
    targetRate_ = rate;
    if (!started_) {
        rate_ = rate;
        useMode(modeFor(rate));
    }
}

void Renderer::stop()
{
    if (stopping_)
        return;
    stopping_ = true;
    transportRamp_.to(0.0f, int(fadeSeconds * outputRate_));
}

Renderer::Mode Renderer::modeFor(double rate) const
{
    if (rate == 1.0 && sourceRate_ == outputRate_)
        return Mode::Direct;
    return rate <= sincLimit ? Mode::Sinc : Mode::Linear;
}

void Renderer::useMode(Mode mode)
{
    mode_ = mode;
    rate_ = targetRate_;
    if (mode == Mode::Direct)
        return;
    SRC_STATE* state = mode == Mode::Sinc ? sinc_ : linear_;
    src_reset(state);
    src_set_ratio(state, double(outputRate_) / (double(sourceRate_) * rate_));
}

long Renderer::feed(void* self, float** data)
{
    auto* r = static_cast<Renderer*>(self);
    *data = r->feedBuffer_.data();
    size_t n = r->source_.read(r->feedBuffer_.data(), feedFrames);
    r->consumed_ += n;
    if (n == 0) {
        if (r->source_.exhausted()) {
            r->sourceDone_ = true;
            return 0; // the converter flushes its tail
        }
        // Nothing decoded yet: keep the converter running on silence.
        n = 64;
        std::fill_n(r->feedBuffer_.data(), n * channels, 0.0f);
        r->underrunNow_ = true;
    }
    return long(n);
}

size_t Renderer::produce(float* out, size_t frames)
{
    if (mode_ == Mode::Direct) {
        const size_t n = source_.read(out, frames);
        consumed_ += n;
        if (n < frames && source_.exhausted())
            sourceDone_ = true;
        return n;
    }
    SRC_STATE* state = mode_ == Mode::Sinc ? sinc_ : linear_;
    const double ratio = double(outputRate_) / (double(sourceRate_) * rate_);
    underrunNow_ = false;
    const long n = src_callback_read(state, ratio, long(frames), out);
    if (underrunNow_)
        underrun_ += frames;
    if (n < long(frames))
        sourceDone_ = true; // end of input flushed, or the converter failed
    return n > 0 ? size_t(n) : 0;
}

void Renderer::render(float* out, size_t frames)
{
    started_ = true;
    size_t done = 0;
    while (done < frames) {
        float* block = out + done * channels;
        const size_t n = std::min(frames - done, size_t(maxBlock));
        if (finished_) {
            std::fill_n(block, (frames - done) * channels, 0.0f);
            return;
        }

        if (rate_ != targetRate_) {
            const double k = std::min(1.0, double(n) / (rateSeconds * outputRate_));
            rate_ += (targetRate_ - rate_) * k;
            if (std::abs(rate_ - targetRate_) < 1e-4 * targetRate_)
                rate_ = targetRate_;
        }
        const Mode wanted = modeFor(targetRate_);
        if (wanted != mode_ && !modeRamp_.moving()) {
            if (modeRamp_.value > 0.0f) {
                modeRamp_.to(0.0f, int(dipSeconds * outputRate_));
            } else {
                useMode(wanted);
                modeRamp_.to(1.0f, int(dipSeconds * outputRate_));
            }
        }

        const size_t got = sourceDone_ ? 0 : produce(block, n);
        if (!volumeRamp_.moving() && !modeRamp_.moving() && !transportRamp_.moving()) {
            const float g = volumeRamp_.value * modeRamp_.value * transportRamp_.value;
            if (g != 1.0f)
                for (size_t i = 0; i < got * channels; ++i)
                    block[i] *= g;
        } else {
            for (size_t i = 0; i < got; ++i) {
                const float g = volumeRamp_.next() * modeRamp_.next() * transportRamp_.next();
                block[2 * i] *= g;
                block[2 * i + 1] *= g;
            }
        }
        if (got < n) {
            std::fill_n(block + got * channels, (n - got) * channels, 0.0f);
            if (sourceDone_) {
                ended_ = true;
                finished_ = true;
            } else if (mode_ == Mode::Direct) {
                underrun_ += n - got;
            }
        }
        if (stopping_ && !transportRamp_.moving())
            finished_ = true;
        done += n;
    }
}
