#include "playback/engine/EdgeFade.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double floorDb = -60.0;
}

float fadeGain(double position)
{
    if (!(position > 0.0))
        return 0.0f;
    if (position >= 1.0)
        return 1.0f;
    return float(std::pow(10.0, floorDb * (1.0 - position) / 20.0));
}

FadeEnvelope::FadeEnvelope(const EdgeFade& fade, int rate)
    : m_rate(rate), m_in(std::max(0.0, fade.in) * rate), m_out(std::max(0.0, fade.out) * rate),
      m_end(fade.untilEnd < 0.0 ? -1.0 : fade.untilEnd * rate)
{
}

FadeEnvelope FadeEnvelope::retimed(const EdgeFade& fade) const
{
    FadeEnvelope moved(fade, m_rate);
    moved.m_in = m_in;
    moved.m_frame = m_frame;
    if (moved.m_end >= 0.0)
        moved.m_end += double(m_frame);
    return moved;
}

bool FadeEnvelope::closeTo(const FadeEnvelope& other, double frames) const
{
    if (m_in != other.m_in || m_out != other.m_out || (m_end < 0.0) != (other.m_end < 0.0))
        return false;
    return m_end < 0.0 ||
           std::abs((m_end - double(m_frame)) - (other.m_end - double(other.m_frame))) <= frames;
}

bool FadeEnvelope::unity() const
{
    const double t = double(m_frame);
    return t >= m_in && (m_end < 0.0 || t < m_end - m_out);
}

long FadeEnvelope::audibleFrames(long frames) const
{
    if (m_end < 0.0)
        return frames;
    return long(std::clamp(std::ceil(m_end - double(m_frame)), 0.0, double(frames)));
}

float FadeEnvelope::gain() const
{
    const double t = double(m_frame);
    float g = m_in > 0.0 ? fadeGain(t / m_in) : 1.0f;
    if (m_end >= 0.0) {
        const double left = m_end - t;
        g = std::min(g, m_out > 0.0 ? fadeGain(left / m_out) : left > 0.0 ? 1.0f : 0.0f);
    }
    return g;
}
