#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace noisegen
{

constexpr int kSampleRate = 44100;
constexpr std::size_t kLoopFrames = 60 * kSampleRate;

// Level every style is brought to, and the ceiling no sample may pass
// before encoding (the codec adds a little on top).
constexpr double kTargetRmsDb = -20.0;
constexpr double kCeilingDb = -4.0;

// Stereo audio whose end runs on into its start: frame frames()-1 is
// followed by frame 0.
struct Loop {
    std::vector<float> left;
    std::vector<float> right;
    std::size_t frames() const { return left.size(); }
};

struct Style {
    std::string_view name; // the file name, without ".mp3"
    std::uint64_t seed;
    Loop (*synthesize)(std::uint64_t seed, std::size_t frames);
};

const std::vector<Style>& defaultStyles();
const Style* findStyle(std::string_view name);

// Styles played together, written as "<name>.mix": each part at a level on
// the player's volume scale (100 is the part's own level, each step below
// 0.4 dB quieter), so the parts' powers add up to the library's level.
struct MixPart {
    std::string_view style;
    int level;
};
struct Mix {
    std::string_view name; // the file name, without ".mix"
    std::vector<MixPart> parts;
};

const std::vector<Mix>& defaultMixes();
const Mix* findMix(std::string_view name);
// The mix file's text, as the player reads it.
std::string mixText(const Mix& mix);

// The style synthesised, band-limited and levelled: ready to encode.
Loop renderStyle(const Style& style, std::size_t frames = kLoopFrames);

double rmsDb(const Loop& loop);
double peakDb(const Loop& loop);

} // namespace noisegen
