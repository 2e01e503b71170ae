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
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
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
        : b0_(b0 / a0), b1_(b1 / a0), b2_(b2 / a0), a1_(a1 / a0), a2_(a2 / a0)
    {
    }

    double b0_, b1_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
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

    explicit OnePole(double pole = 0) : pole_(pole) {}
    void setPole(double pole) { pole_ = pole; }
    double process(double x)
    {
        y_ = x + pole_ * (y_ - x);
        return y_;
    }

private:
    double pole_;
    double y_ = 0;
};

// First-order highpass (DC blocker with a chosen corner).
class OnePoleHighpass
{
public:
    OnePoleHighpass(double rate, double freq) : lowpass_(OnePole::coefficient(rate, freq)) {}
    double process(double x) { return x - lowpass_.process(x); }

private:
    OnePole lowpass_;
};

// -3 dB/octave from about 10 Hz to Nyquist at 44.1 kHz, within 0.05 dB
// (Paul Kellet's refined method).
class PinkFilter
{
public:
    double process(double white)
    {
        b0_ = 0.99886 * b0_ + white * 0.0555179;
        b1_ = 0.99332 * b1_ + white * 0.0750759;
        b2_ = 0.96900 * b2_ + white * 0.1538520;
        b3_ = 0.86650 * b3_ + white * 0.3104856;
        b4_ = 0.55000 * b4_ + white * 0.5329522;
        b5_ = -0.7616 * b5_ - white * 0.0168980;
        const double pink = b0_ + b1_ + b2_ + b3_ + b4_ + b5_ + b6_ + white * 0.5362;
        b6_ = white * 0.115926;
        return pink;
    }

private:
    double b0_ = 0, b1_ = 0, b2_ = 0, b3_ = 0, b4_ = 0, b5_ = 0, b6_ = 0;
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
