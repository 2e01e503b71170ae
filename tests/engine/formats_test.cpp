#include "EngineTestUtil.h"
#include "Mp3Fixture.h"
#include "SoundFixture.h"

#include "playback/engine/AudioContent.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <iterator>

// Sound files are told apart by their content, whatever their names say,
// and whatever they hold never comes out far beyond full scale.

namespace
{

class FormatsTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray bytesOf(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeBytes(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    AudioContent contentOf(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? sniffAudio(f) : AudioContent::Unknown;
    }
};

float peakOf(const std::vector<float>& v)
{
    float peak = 0;
    for (float x : v)
        peak = std::max(peak, std::abs(x));
    return peak;
}

std::vector<float> readAll(Decoder& d)
{
    std::vector<float> all;
    std::vector<float> buf(3000 * 2);
    while (size_t n = d.read(buf.data(), 3000))
        all.insert(all.end(), buf.begin(), buf.begin() + long(n * 2));
    return all;
}

TEST_F(FormatsTest, EachFormatPlaysAtItsRateAndLoopsFrameForFrame)
{
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
        bool lossless;
    };
    // WAVs named .mp3 play as the WAVs they are, at their own rate: no
    // full-scale noise from false mp3 frames, no whine from a wrong rate.
    const Case cases[] = {
        {"pcm16.mp3", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, true},
        {"float48k.mp3", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, true},
        {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, true},
        {"hires.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 2, true},
        {"noise.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, false},
        {"noise.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t frames = size_t(c.rate * 13 / 10);
        const auto written = makeSignal(frames, c.channels, c.rate, 0.3f, 0.0, 4);
        writeSound(path(c.name), c.format, c.rate, c.channels, written);

        Decoder d(path(c.name));
        EXPECT_EQ(d.sampleRate(), c.rate);
        const auto first = readAll(d);
        ASSERT_EQ(first.size(), frames * 2);
        if (c.lossless) {
            float worst = 0;
            for (size_t i = 0; i < frames; ++i)
                for (size_t ch = 0; ch < 2; ++ch) {
                    const size_t from = c.channels == 1 ? i : 2 * i + ch;
                    worst = std::max(worst, std::abs(first[2 * i + ch] - written[from]));
                }
            EXPECT_LT(worst, 1.0f / 32768);
        } else {
            EXPECT_NEAR(rms(first), 0.3 / std::sqrt(3.0), 0.03);
        }
        // The loop: back to the first frame, from the end and from the middle.
        for (int pass = 0; pass < 2; ++pass) {
            ASSERT_TRUE(d.rewind());
            std::vector<float> again = readAll(d);
            ASSERT_EQ(again.size(), first.size()) << "pass " << pass;
            EXPECT_TRUE(again == first) << "pass " << pass;
            ASSERT_TRUE(d.rewind());
            std::vector<float> part(frames / 3 * 2);
            d.read(part.data(), frames / 3);
        }
    }
}

TEST_F(FormatsTest, LevelsNoRecordingHasAreRefusedOrSilenced)
{
    // A float file of nonsense, as loud as the false frames of a misread file.
    writeSound(path("loud.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2,
               makeSignal(44100, 2, 44100, 500.0f));
    EXPECT_THROW(Decoder{path("loud.wav")}, Failure);

    // A real file with a damaged stretch (and a few non-numbers) in the middle.
    auto samples = makeSignal(88200, 2, 44100, 0.5f, 0.0, 9);
    const size_t from = 40000, to = 44000;
    for (size_t i = from * 2; i < to * 2; ++i)
        samples[i] = (i % 2 ? 80.0f : -300.0f);
    samples[2 * 60000] = NAN;
    samples[2 * 60001 + 1] = INFINITY;
    writeSound(path("damaged.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, samples);
    Decoder d(path("damaged.wav"));
    const auto out = readAll(d);
    ASSERT_EQ(out.size(), samples.size());
    EXPECT_LE(peakOf(out), 0.5f); // nothing of the damage, not a non-number either
    EXPECT_GE(d.silencedBlocks(), 3u);
    size_t kept = 0;
    for (size_t i = 0; i < out.size(); ++i)
        kept += out[i] == samples[i];
    // Only the damage and the blocks around it went: at most 6 blocks of 1024.
    EXPECT_GE(kept, samples.size() - 6 * 2048);
    for (size_t i = 2 * 20000; i < 2 * 30000; ++i)
        ASSERT_EQ(out[i], samples[i]);

    // One junk sample every 441: each plays as silence, never at full scale,
    // and the blocks around them play as they are.
    auto sparse = makeSignal(44100, 2, 44100, 0.5f, 0.0, 3);
    const float junk[] = {NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 2.5f, -40.0f};
    for (size_t i = 0, k = 0; i < sparse.size(); i += 441, ++k)
        sparse[i] = junk[k % std::size(junk)];
    writeSound(path("sparse.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2, sparse);
    Decoder s(path("sparse.wav"));
    const auto heard = readAll(s);
    ASSERT_EQ(heard.size(), sparse.size());
    EXPECT_LE(peakOf(heard), 0.5f);
    EXPECT_EQ(s.silencedBlocks(), 0u);
    for (size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], i % 441 == 0 ? 0.0f : sparse[i]) << "sample " << i;
}

TEST_F(FormatsTest, HighRatesPlayAndImpossibleOnesAreRefused)
{
    for (int rate : {384000, 768000}) {
        const auto samples = makeSignal(size_t(rate / 2), 2, rate, 0.5f, 1000.0);
        writeSound(path("high.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, rate, 2, samples);
        Decoder d(path("high.wav"));
        EXPECT_EQ(d.sampleRate(), rate);
        EXPECT_EQ(d.lengthFrames(), rate / 2);
        const auto out = readAll(d);
        ASSERT_EQ(out.size(), samples.size()) << rate;
        EXPECT_NEAR(peakOf(out), 0.5f, 0.01f) << rate;
    }
    writeSound(path("absurd.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2000000, 2,
               makeSignal(20000, 2, 2000000, 0.5f));
    EXPECT_THROW(Decoder{path("absurd.wav")}, Failure);
}

// Ogg files joined one after another play each in turn; a stream at another
// rate than the first cannot join the loop and is left out.
TEST_F(FormatsTest, EveryStreamOfAChainedOggFilePlays)
{
    const auto tone = makeSignal(44100, 2, 44100, 0.5f, 441.0);
    const auto noise = makeSignal(22050, 1, 44100, 0.3f, 0.0, 4);
    writeSound(path("a.ogg"), SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, tone);
    writeSound(path("b.ogg"), SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, noise);
    writeSound(path("c.opus"), SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2,
               makeSignal(4800, 2, 48000, 0.9f));
    writeBytes("chain.ogg",
               bytesOf("a.ogg") + bytesOf("b.ogg") + bytesOf("c.opus") + bytesOf("b.ogg"));

    Decoder d(path("chain.ogg"));
    EXPECT_EQ(d.sampleRate(), 44100);
    EXPECT_EQ(d.lengthFrames(), 44100 + 2 * 22050);
    const auto out = readAll(d);
    ASSERT_EQ(out.size(), size_t(2 * (44100 + 2 * 22050)));
    const auto rms = [&out](size_t from, size_t frames) {
        double sum = 0;
        for (size_t i = 2 * from; i < 2 * (from + frames); ++i)
            sum += double(out[i]) * out[i];
        return std::sqrt(sum / double(2 * frames));
    };
    EXPECT_NEAR(rms(1000, 40000), 0.5 / std::sqrt(2.0), 0.02);  // the tone
    EXPECT_NEAR(rms(45100, 20000), 0.3 / std::sqrt(3.0), 0.03); // the noise, mono
    EXPECT_NEAR(rms(67150, 20000), 0.3 / std::sqrt(3.0), 0.03); // again, after the Opus
    for (size_t i = 2 * 44100; i < out.size(); i += 2)
        ASSERT_EQ(out[i], out[i + 1]) << "the mono stream on both sides, frame " << i / 2;

    // The loop starts again at the first stream, frame for frame.
    ASSERT_TRUE(d.rewind());
    EXPECT_TRUE(readAll(d) == out);
}

TEST_F(FormatsTest, ContentIsToldFromTheFirstBytes)
{
    writeNoiseMp3(path("plain.mp3"), 0.5);
    const QByteArray mp3 = bytesOf("plain.mp3");
    writeSound(path("x.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2,
               makeSignal(22050, 2, 44100, 0.3f));
    writeSound(path("x.opus"), SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 1,
               makeSignal(24000, 1, 48000, 0.3f));
    // An ID3v2.4 tag of 3000 bytes (synchsafe size) in front.
    QByteArray tag("ID3\x04\x00\x00\x00\x00\x17\x2e", 10);
    tag.append(QByteArray(2990, '\0'));
    writeBytes("tagged.mp3", tag + mp3);
    writeBytes("tagged.flac", tag + bytesOf("x.flac"));
    writeBytes("tagged.wav", tag + bytesOf("x.flac").replace(0, 4, "RIFF"));
    writeBytes("late.mp3", QByteArray(1000, '\0') + mp3);
    writeBytes("too-late.mp3", QByteArray(20000, '\0') + mp3);
    // A header alone is no stream: it must chain to the next frames.
    writeBytes("one-header.mp3",
               QByteArray("Hushwave \xff\xfb\x90\x64 plays noise.\n").repeated(300));
    QByteArray theora = bytesOf("x.opus");
    theora.replace(28, 8, "\x80theora\x03");
    writeBytes("video.ogg", theora);

    EXPECT_EQ(contentOf("plain.mp3"), AudioContent::Mpeg);
    EXPECT_EQ(contentOf("tagged.mp3"), AudioContent::Mpeg);
    EXPECT_EQ(contentOf("late.mp3"), AudioContent::Mpeg);
    EXPECT_EQ(contentOf("x.flac"), AudioContent::Flac);
    EXPECT_EQ(contentOf("tagged.flac"), AudioContent::Flac);
    EXPECT_EQ(contentOf("x.opus"), AudioContent::Ogg);
    for (const char* name : {"too-late.mp3", "one-header.mp3", "video.ogg", "tagged.wav"})
        EXPECT_EQ(contentOf(name), AudioContent::Unknown) << name;

    // The tag is skipped: the same frames as without it.
    EXPECT_TRUE(decodeAll(path("tagged.mp3")) == decodeAll(path("plain.mp3")));
    EXPECT_EQ(decodeAll(path("x.opus")).size(), size_t(2 * 24000));
    for (const char* name : {"too-late.mp3", "one-header.mp3", "video.ogg", "tagged.wav"})
        EXPECT_THROW(Decoder{path(name)}, Failure) << name;
}

} // namespace
