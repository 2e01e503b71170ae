#pragma once

// The gentle edges of a play window, as the player is told them: a fade-in
// from the start of the file, and a fade-out that reaches silence at the
// window's end. Zero lengths turn a fade off; a negative `untilEnd` means
// there is no end to fade towards.
struct EdgeFade {
    double in = 0.0;        // seconds
    double out = 0.0;       // seconds
    double untilEnd = -1.0; // seconds from now to the end of the window
};

// Gain of a fade at `position` (0 = silent end, 1 = full level): equal steps
// in decibels from -60 dB up to unity, and silence at 0, so the ear hears an
// even fade rather than nothing and then a sudden drop.
float fadeGain(double position);

// An EdgeFade unrolled over output frames.
class FadeEnvelope
{
public:
    // Unity throughout.
    FadeEnvelope() = default;
    FadeEnvelope(const EdgeFade& fade, int rate);

    // The same fade-in, so far through, with the end moved to `fade`'s.
    FadeEnvelope retimed(const EdgeFade& fade) const;
    // Same lengths, and ends no more than `frames` apart.
    bool closeTo(const FadeEnvelope& other, double frames) const;

    bool unity() const;
    // Frames from here on before silence is reached, at most `frames`.
    long audibleFrames(long frames) const;
    float gain() const;
    void advance(long frames) { m_frame += frames; }

private:
    int m_rate = 0;
    long long m_frame = 0;
    double m_in = 0.0;   // frames
    double m_out = 0.0;  // frames
    double m_end = -1.0; // frame at which silence is reached
};
