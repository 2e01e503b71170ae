#pragma once

// Lengths of the short ramps that keep changes free of clicks, the same
// wherever the volume is applied (the renderer, or the server's queue).
namespace ramp
{
// Start and stop: a fade this long.
inline constexpr double fadeSeconds = 0.005;
// A change of volume glides over this long.
inline constexpr double glideSeconds = 0.020;
} // namespace ramp
