#pragma once

#include "Styles.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace noisegen
{

struct Mp3Settings {
    int kbps = 160;
    int quality = 5; // LAME's 0 (best, slowest) .. 9
    int lowpassHz = 17000;
    // Audio from the other end of the loop coded before its start and after
    // its end, so the codec sees the loop's real neighbours at both edges.
    std::size_t wrapFrames = 2304;
};

// Encodes a loop so that a gapless decoder returns exactly its frames and
// its last frame continues into its first: the wrapped-around audio is
// hidden by widening the encoder delay and padding in the LAME tag.
// Throws std::runtime_error when LAME fails.
std::vector<std::uint8_t> encodeLoop(const Loop& loop, int sampleRate,
                                     const Mp3Settings& settings = {});

// The encoder delay and padding a LAME tag at the start of `mp3` declares.
struct LameGap {
    int delay;
    int padding;
};
bool readLameGap(const std::vector<std::uint8_t>& mp3, LameGap& gap);

} // namespace noisegen
