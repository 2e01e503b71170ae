#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace noisegen
{

// Second-order section (RBJ cookbook designs), direct form I in double.
class Biquad
{
public:
    static Biquad lowpass(double rate, double freq, double q = std::numbers::sqrt2 / 2)
    {
        const Parts p(rate, freq, q);
        return Biquad((1 - p.cosw) / 2, 1 - p.cosw, (1 - p.cosw) / 2, 1 + p.alpha, -2 * p.cosw,
                      1 - p.alpha);
    }
    static Biquad highpass(double rate, double freq, double q = std::numbers::sqrt2 / 2)
    {
        const Parts p(rate, freq, q);
        return Biquad((1 + p.cosw) / 2, -(1 + p.cosw), (1 + p.cosw) / 2, 1 + p.alpha, -2 * p.cosw,
                      1 - p.alpha);
    }
    // Unity gain at the centre.
    static Biquad bandpass(double rate, double freq, double q)
    {
        const Parts p(rate, freq, q);
        return Biquad(p.alpha, 0, -p.alpha, 1 + p.alpha, -2 * p.cosw, 1 - p.alpha);
    }
    static Biquad peaking(double rate, double freq, double q, double gainDb)
    {
        const Parts p(rate, freq, q);
        const double a = std::pow(10.0, gainDb / 40);
        return Biquad(1 + p.alpha * a, -2 * p.cosw, 1 - p.alpha * a, 1 + p.alpha / a, -2 * p.cosw,
                      1 - p.alpha / a);
    }

    double process(double x)
    {
        const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    struct Parts {
        Parts(double rate, double freq, double q)
        {
            const double w = 2 * std::numbers::pi * freq / rate;
            cosw = std::cos(w);
            alpha = std::sin(w) / (2 * q);
        }
        double cosw;
        double alpha;
    };

    Biquad(double b0, double b1, double b2, double a0, double a1, double a2)
        : m_b0(b0 / a0), m_b1(b1 / a0), m_b2(b2 / a0), m_a1(a1 / a0), m_a2(a2 / a0)
    {
    }

    double m_b0, m_b1, m_b2, m_a1, m_a2;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// First-order lowpass with unity gain at DC; the coefficient may change per
// sample (sweeps).
class OnePole
{
public:
    static double coefficient(double rate, double freq)
    {
        return std::exp(-2 * std::numbers::pi * freq / rate);
    }

    explicit OnePole(double pole = 0) : m_pole(pole) {}
    void setPole(double pole) { m_pole = pole; }
    double process(double x)
    {
        m_y = x + m_pole * (m_y - x);
        return m_y;
    }

private:
    double m_pole;
    double m_y = 0;
};

// First-order highpass (DC blocker with a chosen corner).
class OnePoleHighpass
{
public:
    OnePoleHighpass(double rate, double freq) : m_lowpass(OnePole::coefficient(rate, freq)) {}
    double process(double x) { return x - m_lowpass.process(x); }

private:
    OnePole m_lowpass;
};

// -3 dB/octave from about 10 Hz to Nyquist at 44.1 kHz, within 0.05 dB
// (Paul Kellet's refined method).
class PinkFilter
{
public:
    double process(double white)
    {
        m_b0 = 0.99886 * m_b0 + white * 0.0555179;
        m_b1 = 0.99332 * m_b1 + white * 0.0750759;
        m_b2 = 0.96900 * m_b2 + white * 0.1538520;
        m_b3 = 0.86650 * m_b3 + white * 0.3104856;
        m_b4 = 0.55000 * m_b4 + white * 0.5329522;
        m_b5 = -0.7616 * m_b5 - white * 0.0168980;
        const double pink = m_b0 + m_b1 + m_b2 + m_b3 + m_b4 + m_b5 + m_b6 + white * 0.5362;
        m_b6 = white * 0.115926;
        return pink;
    }

private:
    double m_b0 = 0, m_b1 = 0, m_b2 = 0, m_b3 = 0, m_b4 = 0, m_b5 = 0, m_b6 = 0;
};

// Filters a periodic signal so that the result is periodic as well: a first
// pass lets the filter's state settle on the signal's own end (all our
// filters forget within well under a period), the second pass writes.
// step(index, sample) returns the filtered sample.
template <class Step> void filterLoop(std::vector<float>& signal, Step&& step)
{
    for (std::size_t i = 0; i < signal.size(); ++i)
        step(i, double(signal[i]));
    for (std::size_t i = 0; i < signal.size(); ++i)
        signal[i] = float(step(i, double(signal[i])));
}

template <class Filter> void applyLoop(std::vector<float>& signal, Filter filter)
{
    filterLoop(signal, [&filter](std::size_t, double x) { return filter.process(x); });
}

} // namespace noisegen
