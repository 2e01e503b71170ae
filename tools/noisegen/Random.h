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
        for (auto& word : m_state) {
            seed += 0x9e3779b97f4a7c15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
        const std::uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = rotl(m_state[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }

    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // Standard normal (Box-Muller, both values used).
    double gaussian()
    {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        const double u = 1.0 - uniform(); // (0, 1]: log stays finite
        const double v = uniform();
        const double r = std::sqrt(-2.0 * std::log(u));
        m_spare = r * std::sin(2.0 * std::numbers::pi * v);
        m_hasSpare = true;
        return r * std::cos(2.0 * std::numbers::pi * v);
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t m_state[4]{};
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

} // namespace noisegen
