#include "Mp3Loop.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace noisegen
{

namespace
{

// Where the LAME extension of a Xing/Info frame starts, or 0 when the frame
// holds none. The Xing part LAME writes is always 120 bytes long.
std::size_t lameOffset(const std::uint8_t* frame, std::size_t size)
{
    for (std::size_t at = 4; at + 4 <= std::min<std::size_t>(size, 64); ++at) {
        if (std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0) {
            const std::size_t lame = at + 120;
            if (lame + 36 <= size && std::memcmp(frame + lame, "LAME", 4) == 0)
                return lame;
            return 0;
        }
    }
    return 0;
}

// CRC-16 (polynomial 0x8005, reflected), as the LAME tag uses.
std::uint16_t crc16(const std::uint8_t* data, std::size_t size)
{
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? std::uint16_t((crc >> 1) ^ 0xA001) : std::uint16_t(crc >> 1);
    }
    return crc;
}

void fail(const std::string& what)
{
    throw std::runtime_error("mp3 encoding: " + what);
}

// Widens the declared delay and padding; the tag's own CRC covers the
// fields, so it is recomputed (after checking we read the layout right).
void widenGap(std::uint8_t* frame, std::size_t size, int extraDelay, int extraPadding)
{
    const std::size_t lame = lameOffset(frame, size);
    if (lame == 0)
        fail("no LAME tag in the first frame");
    const std::size_t crcAt = lame + 34;
    if (crc16(frame, crcAt) != ((frame[crcAt] << 8) | frame[crcAt + 1]))
        fail("LAME tag CRC does not match its layout");

    std::uint8_t* gap = frame + lame + 21;
    const int delay = ((gap[0] << 4) | (gap[1] >> 4)) + extraDelay;
    const int padding = (((gap[1] & 0x0F) << 8) | gap[2]) + extraPadding;
    if (delay > 0xFFF || padding > 0xFFF)
        fail("delay or padding beyond the tag's 12 bits");
    gap[0] = std::uint8_t(delay >> 4);
    gap[1] = std::uint8_t(((delay & 0x0F) << 4) | (padding >> 8));
    gap[2] = std::uint8_t(padding & 0xFF);

    const std::uint16_t crc = crc16(frame, crcAt);
    frame[crcAt] = std::uint8_t(crc >> 8);
    frame[crcAt + 1] = std::uint8_t(crc & 0xFF);
}

} // namespace

std::vector<std::uint8_t> encodeLoop(const Loop& loop, int sampleRate, const Mp3Settings& settings)
{
    const std::size_t frames = loop.frames();
    const std::size_t wrap = settings.wrapFrames;
    if (frames == 0 || loop.right.size() != frames || wrap > frames)
        fail("bad loop");

    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame)
        fail("lame_init");
    lame_set_num_channels(lame.get(), 2);
    lame_set_in_samplerate(lame.get(), sampleRate);
    lame_set_out_samplerate(lame.get(), sampleRate);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_VBR(lame.get(), vbr_off);
    lame_set_brate(lame.get(), settings.kbps);
    lame_set_quality(lame.get(), settings.quality);
    lame_set_lowpassfreq(lame.get(), settings.lowpassHz);
    lame_set_bWriteVbrTag(lame.get(), 1);
    lame_set_write_id3tag_automatic(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0)
        fail("lame_init_params");

    std::vector<std::uint8_t> mp3;
    mp3.reserve(std::size_t(double(frames + 2 * wrap) / sampleRate * settings.kbps * 125) + 8192);

    // The loop's last `wrap` frames, the loop, then its first `wrap` frames.
    const std::size_t total = frames + 2 * wrap;
    constexpr std::size_t chunk = 8192;
    std::vector<float> pcm(2 * chunk);
    std::vector<std::uint8_t> out(chunk * 5 / 4 + 7200);
    for (std::size_t done = 0; done < total;) {
        const std::size_t count = std::min(chunk, total - done);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t source = (done + i + frames - wrap) % frames;
            pcm[2 * i] = loop.left[source];
            pcm[2 * i + 1] = loop.right[source];
        }
        const int written = lame_encode_buffer_interleaved_ieee_float(
            lame.get(), pcm.data(), int(count), out.data(), int(out.size()));
        if (written < 0)
            fail("lame_encode_buffer (" + std::to_string(written) + ")");
        mp3.insert(mp3.end(), out.begin(), out.begin() + written);
        done += count;
    }
    const int flushed = lame_encode_flush(lame.get(), out.data(), int(out.size()));
    if (flushed < 0)
        fail("lame_encode_flush");
    mp3.insert(mp3.end(), out.begin(), out.begin() + flushed);

    // LAME left a placeholder for the tag frame at the start.
    std::uint8_t tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
    if (tagSize == 0 || tagSize > sizeof tag || tagSize > mp3.size())
        fail("no LAME tag");
    widenGap(tag, tagSize, int(wrap), int(wrap));
    std::copy(tag, tag + tagSize, mp3.begin());
    return mp3;
}

bool readLameGap(const std::vector<std::uint8_t>& mp3, LameGap& gap)
{
    const std::size_t lame = lameOffset(mp3.data(), std::min<std::size_t>(mp3.size(), 4096));
    if (lame == 0)
        return false;
    const std::uint8_t* g = mp3.data() + lame + 21;
    gap.delay = (g[0] << 4) | (g[1] >> 4);
    gap.padding = ((g[1] & 0x0F) << 8) | g[2];
    return true;
}

} // namespace noisegen
