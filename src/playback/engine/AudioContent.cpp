#include "playback/engine/AudioContent.h"

#include <QByteArray>
#include <QFile>

#include <cstring>

namespace
{

// MPEG frames are searched this far into the audio; junk before the first
// frame beyond it is not something a real file has.
constexpr size_t mpegSearchBytes = 16 * 1024;
// Frames that must follow each other exactly before the bytes count as MPEG
// audio: one false header inside other data is common, three in a row are not.
constexpr int mpegChain = 3;
// At most this many ID3v2 tags one after the other.
constexpr int maxTags = 4;

bool startsWith(const uint8_t* data, size_t size, const char* magic, size_t at = 0)
{
    const size_t n = std::strlen(magic);
    return size >= at + n && std::memcmp(data + at, magic, n) == 0;
}

struct MpegHeader {
    int version = 0; // 1, 2, or 25 for 2.5
    int layer = 0;
    int rate = 0;
    int length = 0; // bytes of the whole frame
};

// Reads a frame header; false for anything MPEG audio never holds, and for
// free-format frames, whose length cannot be told from the header.
bool parseMpegHeader(const uint8_t* h, MpegHeader& out)
{
    if (h[0] != 0xff || (h[1] & 0xe0) != 0xe0)
        return false;
    const int versionBits = (h[1] >> 3) & 3;
    const int layerBits = (h[1] >> 1) & 3;
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    const int padding = (h[2] >> 1) & 1;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (h[3] & 3) == 2)
        return false;
    static const int kbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int rates[3] = {44100, 48000, 32000};
    const bool v1 = versionBits == 3;
    out.version = v1 ? 1 : versionBits == 2 ? 2 : 25;
    out.layer = 4 - layerBits;
    out.rate = rates[rateIndex] / (v1 ? 1 : versionBits == 2 ? 2 : 4);
    const int bitrate = kbps[v1 ? 0 : 1][out.layer - 1][bitrateIndex] * 1000;
    if (out.layer == 1)
        out.length = (12 * bitrate / out.rate + padding) * 4;
    else if (out.layer == 3 && !v1)
        out.length = 72 * bitrate / out.rate + padding;
    else
        out.length = 144 * bitrate / out.rate + padding;
    return out.length >= 4;
}

// True when `mpegChain` frames of one stream follow each other from `at`, or
// the frames run exactly to the end of a whole file.
bool mpegChainAt(const uint8_t* data, size_t size, size_t at, bool wholeFile)
{
    MpegHeader first;
    for (int n = 0; n < mpegChain; ++n) {
        if (wholeFile && n > 0 && at == size)
            return true;
        MpegHeader h;
        if (at + 4 > size || !parseMpegHeader(data + at, h))
            return false;
        if (n == 0)
            first = h;
        else if (h.version != first.version || h.layer != first.layer || h.rate != first.rate)
            return false;
        at += size_t(h.length);
    }
    return true;
}

bool looksLikeMpeg(const uint8_t* data, size_t size, bool wholeFile)
{
    const size_t end = std::min(size, mpegSearchBytes);
    for (size_t at = 0; at + 4 <= end; ++at)
        if (data[at] == 0xff && mpegChainAt(data, size, at, wholeFile))
            return true;
    return false;
}

// The first packet of an Ogg stream names its codec.
AudioContent sniffOgg(const uint8_t* data, size_t size)
{
    if (size < 27)
        return AudioContent::Unknown;
    const size_t packet = 27 + size_t(data[26]);
    if (startsWith(data, size, "\x01vorbis", packet) || startsWith(data, size, "OpusHead", packet))
        return AudioContent::Ogg;
    return AudioContent::Unknown;
}

} // namespace

int64_t id3v2TagSize(const uint8_t* data, size_t size)
{
    if (size < 10 || !startsWith(data, size, "ID3") || data[3] == 0xff || data[4] == 0xff)
        return 0;
    int64_t body = 0;
    for (int i = 6; i < 10; ++i) {
        if (data[i] & 0x80)
            return 0; // not a synchsafe size: not a tag
        body = (body << 7) | data[i];
    }
    const bool footer = (data[5] & 0x10) != 0;
    return 10 + body + (footer ? 10 : 0);
}

AudioContent sniffAudio(const uint8_t* data, size_t size, bool wholeFile)
{
    if (size >= 12 && startsWith(data, size, "WAVE", 8) &&
        (startsWith(data, size, "RIFF") || startsWith(data, size, "RIFX") ||
         startsWith(data, size, "RF64")))
        return AudioContent::Wave;
    if (startsWith(data, size, "OggS"))
        return sniffOgg(data, size);
    if (startsWith(data, size, "fLaC"))
        return AudioContent::Flac;
    if (looksLikeMpeg(data, size, wholeFile))
        return AudioContent::Mpeg;
    return AudioContent::Unknown;
}

AudioContent sniffAudio(QFile& file)
{
    const qint64 fileSize = file.size();
    qint64 start = 0;
    QByteArray head;
    for (int tags = 0; tags <= maxTags; ++tags) {
        if (!file.seek(start))
            return AudioContent::Unknown;
        // Enough for the search and the frames it may end on.
        head = file.read(qint64(mpegSearchBytes) + 12 * 1024);
        const auto* bytes = reinterpret_cast<const uint8_t*>(head.constData());
        const int64_t tag = id3v2TagSize(bytes, size_t(head.size()));
        if (tag == 0) {
            const bool whole = start + head.size() >= fileSize;
            const AudioContent content = sniffAudio(bytes, size_t(head.size()), whole);
            // WAV and Ogg carry no ID3v2 tag in front; what follows a tag is
            // FLAC or MPEG audio.
            if (start > 0 && content != AudioContent::Flac && content != AudioContent::Mpeg)
                return AudioContent::Unknown;
            return content;
        }
        start += tag;
    }
    return AudioContent::Unknown;
}
