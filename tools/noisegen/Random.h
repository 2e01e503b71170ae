#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace noisegen
{

// xoshiro256** seeded through splitmix64: our own generator, so the same
// seed gives the same noise with every standard library.
class Random
{
public:
    explicit Random(std::uint64_t seed)
    {
        for (auto& word : state_) {
            seed += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const std::uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }

    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // Standard normal (Box-Muller, both values used).
    double gaussian()
    {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double u = 1.0 - uniform(); // (0, 1]: log stays finite
        const double v = uniform();
        const double r = std::sqrt(-2.0 * std::log(u));
        spare_ = r * std::sin(2.0 * std::numbers::pi * v);
        hasSpare_ = true;
        return r * std::cos(2.0 * std::numbers::pi * v);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t state_[4]{};
    double spare_ = 0.0;
    bool hasSpare_ = false;
};

} // namespace noisegen
