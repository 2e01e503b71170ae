// The pieces the loops are built from: filters run over a periodic signal
// must give the filter's settled output, or the loop has a seam of its own.

#include "Filters.h"
#include "Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace
{

using noisegen::Biquad;

constexpr double kRate = 44100;
constexpr std::size_t kPeriod = 44100;

std::vector<float> periodOfNoise(std::uint64_t seed)
{
    noisegen::Random rng(seed);
    std::vector<float> x(kPeriod);
    for (float& v : x)
        v = float(rng.gaussian());
    return x;
}

// Runs `make()`'s filter over many repeats of the period from a fresh state
// and returns its last period: what the filter settles to on the endless loop.
template <class Filter>
std::vector<float> settled(const std::vector<float>& period, const std::function<Filter()>& make,
                           const std::function<void(Filter&, std::size_t)>& retune)
{
    Filter filter = make();
    std::vector<float> out(period.size());
    for (int repeat = 0; repeat < 6; ++repeat)
        for (std::size_t i = 0; i < period.size(); ++i) {
            retune(filter, i);
            out[i] = float(filter.process(period[i]));
        }
    return out;
}

template <class Filter>
void expectLoopIsSettled(
    const std::string& name, const std::function<Filter()>& make,
    const std::function<void(Filter&, std::size_t)>& retune = [](Filter&, std::size_t) {})
{
    const std::vector<float> input = periodOfNoise(7);
    std::vector<float> looped = input;
    Filter filter = make();
    noisegen::filterLoop(looped, [&](std::size_t i, double x) {
        retune(filter, i);
        return filter.process(x);
    });
    const std::vector<float> expected = settled<Filter>(input, make, retune);

    double worst = 0, power = 0;
    for (std::size_t i = 0; i < kPeriod; ++i) {
        worst = std::max(worst, std::abs(double(looped[i]) - expected[i]));
        power += double(expected[i]) * expected[i];
    }
    const double rms = std::sqrt(power / kPeriod);
    EXPECT_LT(worst, 1e-5 * rms) << name;
    // The start, where a filter fresh from zero would still be ramping up.
    EXPECT_NEAR(looped[0], expected[0], 1e-5 * rms) << name;
}

TEST(FilterLoop, GivesEachFilterItsSettledOutputOnTheEndlessLoop)
{
    expectLoopIsSettled<Biquad>("lowpass", [] { return Biquad::lowpass(kRate, 15000, 1.3066); });
    expectLoopIsSettled<Biquad>("highpass", [] { return Biquad::highpass(kRate, 500); });
    expectLoopIsSettled<Biquad>("bandpass", [] { return Biquad::bandpass(kRate, 3000, 3); });
    expectLoopIsSettled<Biquad>("peaking", [] { return Biquad::peaking(kRate, 220, 0.8, 5); });
    expectLoopIsSettled<noisegen::PinkFilter>("pink", [] { return noisegen::PinkFilter(); });
    expectLoopIsSettled<noisegen::OnePole>("brown integrator", [] {
        return noisegen::OnePole(noisegen::OnePole::coefficient(kRate, 20));
    });
    expectLoopIsSettled<noisegen::OnePoleHighpass>(
        "rumble cut", [] { return noisegen::OnePoleHighpass(kRate, 15); });
    // A cutoff that sweeps with the position in the loop, as the waves do.
    expectLoopIsSettled<noisegen::OnePole>(
        "sweep", [] { return noisegen::OnePole(); },
        [](noisegen::OnePole& f, std::size_t i) {
            const double sweep =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * 3 * double(i) / kPeriod);
            f.setPole(noisegen::OnePole::coefficient(kRate, 300 + 2200 * sweep));
        });
}

TEST(Random, SameSeedSameNoiseAndStandardNormal)
{
    noisegen::Random a(42), b(42), other(43);
    for (int i = 0; i < 1000; ++i) {
        const double x = a.gaussian();
        EXPECT_EQ(x, b.gaussian());
        EXPECT_NE(x, other.gaussian());
    }

    noisegen::Random rng(1);
    double sum = 0, squares = 0, lowest = 1, highest = 0;
    const int count = 1'000'000;
    for (int i = 0; i < count; ++i) {
        const double g = rng.gaussian();
        sum += g;
        squares += g * g;
        const double u = rng.uniform();
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
    }
    EXPECT_NEAR(sum / count, 0.0, 0.01);
    EXPECT_NEAR(squares / count, 1.0, 0.01);
    EXPECT_GE(lowest, 0.0);
    EXPECT_LT(highest, 1.0);
    EXPECT_LT(lowest, 1e-4);
    EXPECT_GT(highest, 1 - 1e-4);
}

} // namespace
