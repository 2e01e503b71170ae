#pragma once

// Every frame the engine passes on, from the decoders through the sources
// and the renderer to the outputs, is interleaved stereo: mono files are
// spread to both sides, and outputs are opened for two channels.
namespace frame
{
inline constexpr int channels = 2;
} // namespace frame
