#pragma once

#include <sndfile.h>

// libsndfile and its codecs (FLAC, Vorbis, Opus, Ogg) are loaded with the
// first file that needs them: an mp3 style never maps them.
struct SndfileLibrary {
    decltype(&sf_open_virtual) openVirtual = nullptr;
    decltype(&sf_close) close = nullptr;
    decltype(&sf_readf_float) readFloat = nullptr;
    decltype(&sf_seek) seek = nullptr;
    decltype(&sf_strerror) errorText = nullptr;

    // The library, loaded on first use; null when it cannot be had.
    static const SndfileLibrary* get();
};
