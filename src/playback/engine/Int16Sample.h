#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// A float sample as 16 bits. Clamped before scaling: a huge value would
// overflow the conversion and change sign; not-a-number is silence.
inline int16_t toInt16(float v)
{
    const float clamped = v == v ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
    return int16_t(std::min(std::lrint(clamped * 32768.0f), 32767L));
}
