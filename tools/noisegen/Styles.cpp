#include "Styles.h"

#include "Filters.h"
#include "Random.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace noisegen
{

namespace
{

constexpr double kRate = kSampleRate;
using Channel = std::vector<float>;

double fromDb(double db)
{
    return std::pow(10.0, db / 20);
}

double rms(const Channel& x)
{
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return x.empty() ? 0.0 : std::sqrt(sum / double(x.size()));
}

void scale(Channel& x, double gain)
{
    for (float& v : x)
        v = float(v * gain);
}

void normalize(Channel& x)
{
    scale(x, 1.0 / std::max(rms(x), 1e-12));
}

void mix(Channel& into, const Channel& from, double gain)
{
    for (std::size_t i = 0; i < into.size(); ++i)
        into[i] = float(into[i] + gain * from[i]);
}

// A sine that completes exactly `cycles` periods over the loop. The phase
// comes from integers so it stays exact across millions of samples.
double loopSine(std::size_t cycles, std::size_t index, std::size_t frames, double phase = 0)
{
    const auto step = std::uint64_t(cycles) * index % frames;
    return std::sin(2 * std::numbers::pi * double(step) / double(frames) + phase);
}

Channel white(Random& rng, std::size_t frames)
{
    Channel x(frames);
    for (float& v : x)
        v = float(rng.gaussian());
    return x;
}

Channel pink(Random& rng, std::size_t frames)
{
    Channel x = white(rng, frames);
    applyLoop(x, PinkFilter());
    applyLoop(x, OnePoleHighpass(kRate, 20));
    normalize(x);
    return x;
}

// 1/f^2 above 20 Hz; the highpass keeps inaudible rumble from eating the
// level budget.
Channel brown(Random& rng, std::size_t frames)
{
    Channel x = white(rng, frames);
    applyLoop(x, OnePole(OnePole::coefficient(kRate, 20)));
    applyLoop(x, OnePoleHighpass(kRate, 15));
    normalize(x);
    return x;
}

template <class MakeChannel> Loop stereo(std::uint64_t seed, std::size_t frames, MakeChannel make)
{
    Random left(seed), right(seed ^ 0x5bd1e9955bd1e995ULL);
    return Loop{make(left, frames, 0), make(right, frames, 1)};
}

Loop whiteNoise(std::uint64_t seed, std::size_t frames)
{
    return stereo(seed, frames, [](Random& rng, std::size_t n, int) { return white(rng, n); });
}

Loop pinkNoise(std::uint64_t seed, std::size_t frames)
{
    return stereo(seed, frames, [](Random& rng, std::size_t n, int) { return pink(rng, n); });
}

Loop brownNoise(std::uint64_t seed, std::size_t frames)
{
    return stereo(seed, frames, [](Random& rng, std::size_t n, int) { return brown(rng, n); });
}

// A hiss of many distant drops, a few nearer ones ticking on top, and a
// slow swell in intensity.
Loop rain(std::uint64_t seed, std::size_t frames)
{
    return stereo(seed, frames, [](Random& rng, std::size_t n, int) {
        Channel bed = pink(rng, n);
        applyLoop(bed, Biquad::highpass(kRate, 500));
        applyLoop(bed, Biquad::peaking(kRate, 3000, 0.8, 4));
        applyLoop(bed, Biquad::lowpass(kRate, 9000));
        normalize(bed);

        // Drops wrap around the loop's end like everything else.
        const auto drops = std::size_t(25.0 * double(n) / kRate);
        for (std::size_t d = 0; d < drops; ++d) {
            const auto start = std::size_t(rng.uniform() * double(n));
            const double level = 0.4 + 1.6 * std::pow(rng.uniform(), 3);
            const double tau = rng.uniform(0.0015, 0.005) * kRate;
            Biquad tone = Biquad::bandpass(kRate, rng.uniform(1500, 6000), 3);
            const auto length = std::size_t(8 * tau);
            const double decay = std::exp(-1.0 / tau);
            double gain = level;
            for (std::size_t t = 0; t < length; ++t) {
                const double burst = double(t) < 6 * tau ? rng.gaussian() * gain : 0.0;
                gain *= decay;
                float& out = bed[(start + t) % n];
                out = float(out + tone.process(burst));
            }
        }

        const double phase1 = rng.uniform(0, 2 * std::numbers::pi);
        const double phase2 = rng.uniform(0, 2 * std::numbers::pi);
        for (std::size_t i = 0; i < n; ++i)
            bed[i] = float(
                bed[i] * (1 + 0.12 * loopSine(3, i, n, phase1) + 0.07 * loopSine(7, i, n, phase2)));

        mix(bed, brown(rng, n), 0.25);
        return bed;
    });
}

// Swells that build, break and draw back: a wave envelope opens a lowpass
// over pink noise, with foam hiss at the crests and a low body throughout.
Loop oceanWaves(std::uint64_t seed, std::size_t frames)
{
    Random shapeRng(seed * 31 + 7);
    std::vector<double> envelope(frames);
    {
        // Waves of 7-11 s stretched to tile the loop exactly.
        std::vector<double> lengths;
        double total = 0;
        while (total < double(frames) - 9.0 * kRate) {
            lengths.push_back(shapeRng.uniform(7, 11) * kRate);
            total += lengths.back();
        }
        std::size_t begin = 0;
        double covered = 0;
        for (std::size_t w = 0; w < lengths.size(); ++w) {
            covered += lengths[w];
            const std::size_t end =
                w + 1 == lengths.size() ? frames : std::size_t(covered * double(frames) / total);
            const double peak = shapeRng.uniform(0.75, 1.0);
            const double rise = shapeRng.uniform(0.35, 0.5);
            for (std::size_t i = begin; i < end; ++i) {
                const double u = double(i - begin) / double(end - begin);
                const double s =
                    u < rise ? std::pow(std::sin(std::numbers::pi / 2 * u / rise), 2)
                             : 0.5 * (1 + std::cos(std::numbers::pi * (u - rise) / (1 - rise)));
                envelope[i] = peak * s; // 0..1, smooth at both ends of a wave
            }
            begin = end;
        }
    }

    // The water's lowpass opens with the swell.
    std::vector<double> poles(frames);
    for (std::size_t i = 0; i < frames; ++i)
        poles[i] = OnePole::coefficient(kRate, 300 + 2200 * std::pow(envelope[i], 1.5));

    return stereo(seed, frames, [&envelope, &poles](Random& rng, std::size_t n, int channel) {
        // The right side hears each wave a little later.
        const std::size_t lag = channel == 0 ? 0 : std::size_t(0.15 * kRate);
        auto at = [&](std::size_t i) { return (i + n - lag) % n; };
        auto swell = [&](std::size_t i) { return envelope[at(i)]; };

        Channel water = pink(rng, n);
        OnePole first, second;
        filterLoop(water, [&](std::size_t i, double x) {
            const double pole = poles[at(i)];
            first.setPole(pole);
            second.setPole(pole);
            return second.process(first.process(x));
        });
        normalize(water);

        Channel foam = white(rng, n);
        applyLoop(foam, Biquad::highpass(kRate, 2000));
        applyLoop(foam, Biquad::lowpass(kRate, 8000));
        normalize(foam);

        const Channel body = brown(rng, n);
        Channel out(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double s = swell(i);
            out[i] = float(water[i] * (0.3 + 0.7 * s) + foam[i] * 0.18 * s * s + body[i] * 0.35);
        }
        return out;
    });
}

// Broad airflow with a soft low-mid hump, a faint beat from the blades
// and a trace of motor hum.
Loop fan(std::uint64_t seed, std::size_t frames)
{
    // Whole cycles per loop: 18 Hz blade beat, 100 Hz hum and its octave;
    // the same motor for both sides.
    const std::size_t seconds = frames / kSampleRate;
    std::vector<float> beat(frames), hum(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        beat[i] = float(1 + 0.05 * loopSine(18 * seconds, i, frames));
        hum[i] = float(0.02 * loopSine(100 * seconds, i, frames) +
                       0.01 * loopSine(200 * seconds, i, frames, 1.0));
    }

    return stereo(seed, frames, [&beat, &hum](Random& rng, std::size_t n, int) {
        Channel air = pink(rng, n);
        applyLoop(air, Biquad::lowpass(kRate, 1400, 0.7));
        applyLoop(air, Biquad::peaking(kRate, 220, 0.8, 5));
        normalize(air);

        Channel hiss = white(rng, n);
        applyLoop(hiss, Biquad::bandpass(kRate, 3000, 0.5));
        normalize(hiss);

        mix(air, hiss, 0.12);
        mix(air, brown(rng, n), 0.4);

        for (std::size_t i = 0; i < n; ++i)
            air[i] = air[i] * beat[i] + hum[i];
        return air;
    });
}

// Keeps energy below the encoder's own lowpass, so encoding does not
// change the level we matched.
void bandLimit(Channel& x)
{
    applyLoop(x, Biquad::lowpass(kRate, 15000, 0.5412));
    applyLoop(x, Biquad::lowpass(kRate, 15000, 1.3066));
}

double loopRms(const Loop& loop)
{
    double sum = 0;
    for (const Channel* c : {&loop.left, &loop.right})
        for (float v : *c)
            sum += double(v) * v;
    return std::sqrt(sum / double(2 * loop.frames()));
}

// Rare peaks are rounded off with a soft knee instead of clipping.
void softLimit(Channel& x, double threshold, double ceiling)
{
    const double room = ceiling - threshold;
    for (float& v : x) {
        const double a = std::abs(v);
        if (a > threshold)
            v = float(std::copysign(threshold + room * std::tanh((a - threshold) / room), v));
    }
}

void level(Loop& loop)
{
    for (int pass = 0; pass < 3; ++pass) {
        const double gain = fromDb(kTargetRmsDb) / std::max(loopRms(loop), 1e-12);
        for (Channel* c : {&loop.left, &loop.right}) {
            scale(*c, gain);
            softLimit(*c, fromDb(kCeilingDb - 2), fromDb(kCeilingDb));
        }
    }
}

// The loop is periodic, so any frame can be its first: pick the one where
// both channels step least. The seam then sits among the smallest steps of
// the sound, with room to spare for the codec's noise.
void startAtSmallestStep(Loop& loop)
{
    const std::size_t n = loop.frames();
    std::size_t best = 0;
    float bestStep = std::numeric_limits<float>::max();
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t before = (i + n - 1) % n;
        const float step = std::max(std::abs(loop.left[i] - loop.left[before]),
                                    std::abs(loop.right[i] - loop.right[before]));
        if (step < bestStep) {
            bestStep = step;
            best = i;
        }
    }
    std::rotate(loop.left.begin(), loop.left.begin() + std::ptrdiff_t(best), loop.left.end());
    std::rotate(loop.right.begin(), loop.right.begin() + std::ptrdiff_t(best), loop.right.end());
}

// The style or mix of that name, or null.
template <class Named> const Named* findNamed(const std::vector<Named>& all, std::string_view name)
{
    const auto found =
        std::find_if(all.begin(), all.end(), [name](const Named& n) { return n.name == name; });
    return found == all.end() ? nullptr : &*found;
}

} // namespace

const std::vector<Style>& defaultStyles()
{
    static const std::vector<Style> styles{
        {"White Noise", 0x57484954454e4f31ULL, whiteNoise},
        {"Pink Noise", 0x50494e4b4e4f4931ULL, pinkNoise},
        {"Brown Noise", 0x42524f574e4e4f31ULL, brownNoise},
        {"Rain", 0x5241494e00000001ULL, rain},
        {"Ocean Waves", 0x4f4345414e570001ULL, oceanWaves},
        {"Fan", 0x46414e0000000001ULL, fan},
    };
    return styles;
}

const Style* findStyle(std::string_view name)
{
    return findNamed(defaultStyles(), name);
}

const std::vector<Mix>& defaultMixes()
{
    // 92 and 93: 0.692^2 + 0.724^2 = 1.00; 95 and 88: 0.794^2 + 0.575^2 = 0.96.
    static const std::vector<Mix> mixes{
        {"Bedtime Rain", {{"Rain", 93}, {"Brown Noise", 92}}},
        {"Beach", {{"Ocean Waves", 95}, {"Rain", 88}}},
    };
    return mixes;
}

const Mix* findMix(std::string_view name)
{
    return findNamed(defaultMixes(), name);
}

std::string mixText(const Mix& mix)
{
    std::string text = "# " + std::string(mix.name) + ": <style> = <level 1 to 100>\n";
    for (const MixPart& part : mix.parts)
        text += std::string(part.style) + " = " + std::to_string(part.level) + "\n";
    return text;
}

Loop renderStyle(const Style& style, std::size_t frames)
{
    Loop loop = style.synthesize(style.seed, frames);
    bandLimit(loop.left);
    bandLimit(loop.right);
    level(loop);
    startAtSmallestStep(loop);
    return loop;
}

double rmsDb(const Loop& loop)
{
    return 20 * std::log10(std::max(loopRms(loop), 1e-12));
}

double peakDb(const Loop& loop)
{
    float peak = 0;
    for (const Channel* c : {&loop.left, &loop.right})
        for (float v : *c)
            peak = std::max(peak, std::abs(v));
    return 20 * std::log10(std::max(double(peak), 1e-12));
}

} // namespace noisegen
