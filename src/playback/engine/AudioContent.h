#pragma once

#include <cstddef>
#include <cstdint>

class QFile;

// What a sound file holds, told from its first bytes and never from its name:
// a WAV renamed .mp3 must not reach the mp3 decoder, which would lock onto
// false frame headers inside the samples and play them as loud noise.
enum class AudioContent {
    Unknown,
    Mpeg, // MPEG audio layer I-III, after any ID3v2 tags
    Wave, // RIFF, RIFX or RF64 WAVE
    Ogg,  // Ogg Vorbis or Ogg Opus
    Flac, // native FLAC, after any ID3v2 tags
};

// Size of the ID3v2 tag (header and footer included) at the start of `data`,
// or 0 when there is none.
int64_t id3v2TagSize(const uint8_t* data, size_t size);

// The content of bytes that start where the audio should start (any ID3v2
// tags already skipped). `wholeFile` says the bytes run to the end of the
// file, so a chain of MPEG frames may end with them.
AudioContent sniffAudio(const uint8_t* data, size_t size, bool wholeFile);

// Reads the start of an open file (skipping ID3v2 tags) and sniffs it. The
// file's position is left anywhere.
AudioContent sniffAudio(QFile& file);
