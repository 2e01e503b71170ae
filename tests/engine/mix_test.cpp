#include "EngineTestUtil.h"
#include "SoundFixture.h"

#include "playback/engine/Decoder.h"
#include "playback/engine/MixSource.h"
#include "playback/engine/Renderer.h"
#include "playback/engine/TellOnce.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

namespace
{

TEST(MixParser, ReadsPartsAndLeavesOutLinesItCannotRead)
{
    QStringList problems;
    const auto parts = parseMix("\xEF\xBB\xBF# rain on a fan\r\n"
                                "Rain = 60\r\n"
                                "\n"
                                "  Fan.ogg=100   # whole\n"
                                "Odd = name = 1\n"
                                "garbage\n"
                                "Rain = 0\n"
                                "Rain = 101\n"
                                "Rain = 5.5\n"
                                " = 40\n"
                                "Bad \xff\xfe = 30\n"
                                "Last = 7",
                                problems);
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[0].style, "Rain");
    EXPECT_EQ(parts[0].level, 60);
    EXPECT_EQ(parts[1].style, "Fan.ogg");
    EXPECT_EQ(parts[1].level, 100);
    EXPECT_EQ(parts[2].style, "Odd = name"); // a name may hold '='
    EXPECT_EQ(parts[3].style, "Last");
    EXPECT_EQ(parts[3].level, 7);
    ASSERT_EQ(problems.size(), 6);
    for (int i = 0; i < problems.size(); ++i)
        EXPECT_TRUE(problems[i].startsWith(QString("line %1 ").arg(6 + i)))
            << problems[i].toStdString();
}

// A part is a file beside the mix or in a sounds folder: a path is refused
// whatever it points at, a plain name that only looks odd is kept.
TEST(MixParser, TakesPlainNamesOnlyAndAFewOfThem)
{
    QStringList problems;
    auto parts = parseMix("../../../tmp/x.wav = 50\n"
                          "/etc/passwd = 50\n"
                          "sub/Rain = 50\n"
                          "..\\Rain = 50\n"
                          ".. = 50\n"
                          "..Rain = 40\n",
                          problems);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0].style, "..Rain");
    ASSERT_EQ(problems.size(), 5);
    for (int i = 0; i < problems.size(); ++i)
        EXPECT_EQ(problems[i], QString("line %1 names a path, not a style; left out").arg(i + 1));

    // 100 parts: the first 16 play, the rest are told in one line.
    QByteArray many;
    for (int i = 1; i <= 100; ++i)
        many += QByteArray("Part ") + QByteArray::number(i) + " = 10\n";
    problems.clear();
    parts = parseMix(many, problems);
    ASSERT_EQ(parts.size(), maxMixParts);
    EXPECT_EQ(parts.back().style, "Part 16");
    EXPECT_EQ(problems, QStringList{"84 parts after the first 16 left out"});
}

// What is not a mix is told once, not once a line.
TEST(MixParser, TellsOnceWhatIsNoMix)
{
    QByteArray junk;
    for (int i = 0; i < 40000; ++i)
        junk += char((i * 7919) % 256);
    QStringList problems;
    EXPECT_TRUE(parseMix(junk, problems).empty());
    EXPECT_EQ(problems, QStringList{"is not a mix; nothing in it plays"});

    // Text, but far longer than any mix.
    problems.clear();
    EXPECT_TRUE(parseMix(QByteArray(maxMixBytes, 'x') + "\nRain = 5\n", problems).empty());
    EXPECT_EQ(problems.size(), 1);

    // A text that is no mix: a few lines told, then how many more.
    problems.clear();
    EXPECT_TRUE(parseMix(QByteArray("no part here\n").repeated(50), problems).empty());
    ASSERT_EQ(problems.size(), 9);
    EXPECT_EQ(problems.last(), "42 more lines left out");
}

// A mix retried every second tells its problems once, and what is
// remembered stays bounded however many mixes come and go.
TEST(TellOnceTest, TellsOnceAndForgetsTheOldestBeyondItsCapacity)
{
    TellOnce told;
    EXPECT_TRUE(told.first("a"));
    EXPECT_FALSE(told.first("a"));
    for (size_t i = 0; i < TellOnce::capacity; ++i)
        EXPECT_TRUE(told.first(QString::number(i)));
    EXPECT_TRUE(told.first("a")); // forgotten, told again
    EXPECT_FALSE(told.first(QString::number(TellOnce::capacity - 1)));
}

// Held and streamed parts share one memory bound: a streamed file takes its
// ring from it, and held parts leave room for the parts after them.
TEST(MixSourceTest, EveryPartCountsAgainstTheMemoryBound)
{
    QTemporaryDir dir;
    // Mono at 8 kHz keeps the file small: held, it takes its frames as
    // stereo 16-bit, 16.6 MB; four of them fill the bound but for 0.5 MB.
    const size_t frames = 4'160'000;
    writeSound(dir.filePath("Long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1,
               makeSignal(frames, 1, 8000, 0.1f));
    std::atomic<bool> loop{true};

    // Too little room to hold it is room to stream it, and no less.
    long long room = streamedBytes();
    EXPECT_TRUE(fileSource(std::make_unique<Decoder>(dir.filePath("Long.wav")), loop, 8000, &room));
    EXPECT_EQ(room, 0);
    room = streamedBytes() - 1;
    EXPECT_THROW(fileSource(std::make_unique<Decoder>(dir.filePath("Long.wav")), loop, 8000, &room),
                 Failure);

    QFile mix(dir.filePath("Five.mix"));
    ASSERT_TRUE(mix.open(QIODevice::WriteOnly));
    mix.write(QByteArray("Long.wav = 20\n").repeated(5));
    mix.close();
    MixSource source(dir.filePath("Five.mix"), SoundLookup{}, loop, 1.0);
    EXPECT_EQ(source.partCount(), 5u);
    EXPECT_FALSE(source.holdsEveryFrame());
    EXPECT_EQ(readFrames(source, 8000).size(), size_t(8000 * 2));
}

// Parts from the mix's own folder before the other, at other rates brought
// to the mix's, at their levels; another mix and a missing part left out.
TEST(MixSourceTest, SumsItsPartsAtTheirLevelsAndLoopsEachOnItsOwn)
{
    QTemporaryDir dir;
    const QString own = dir.filePath("own"), other = dir.filePath("other");
    QDir().mkpath(own);
    QDir().mkpath(other);
    const int wav = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    writeSound(own + "/Low.wav", wav, 44100, 2, makeSignal(44100, 2, 44100, 0.4f, 441));
    // Found in the other folder, at 48 kHz: 1.5 s of 882 Hz.
    writeSound(other + "/High.wav", wav, 48000, 2, makeSignal(72000, 2, 48000, 0.4f, 882));
    // The own folder's copy comes first; the other's would be loud noise.
    writeSound(other + "/Low.wav", wav, 44100, 2, makeSignal(44100, 2, 44100, 0.9f));
    QFile mix(own + "/Duo.mix");
    ASSERT_TRUE(mix.open(QIODevice::WriteOnly));
    mix.write("Low.wav = 100\nHigh.wav = 50\nDuo.mix = 100\nNowhere = 80\n");
    mix.close();

    std::atomic<bool> loop{true};
    MixSource source(own + "/Duo.mix", SoundLookup{{other}}, loop, 1.0);
    EXPECT_EQ(source.partCount(), 2u);
    EXPECT_EQ(source.sampleRate(), 44100);
    const std::vector<float> out = readFrames(source, 44100 * 4);
    ASSERT_EQ(out.size(), size_t(44100 * 4 * 2));

    // Amplitude at a frequency over whole seconds (after the resampler's start).
    auto amplitude = [&](double hz) {
        double re = 0, im = 0;
        for (size_t i = 44100; i < 44100 * 4; ++i) {
            re += out[2 * i] * std::cos(2 * M_PI * hz * double(i) / 44100);
            im += out[2 * i] * std::sin(2 * M_PI * hz * double(i) / 44100);
        }
        return 2 * std::hypot(re, im) / (44100 * 3);
    };
    EXPECT_NEAR(amplitude(441), 0.4, 0.4 * 0.02);
    EXPECT_NEAR(20 * std::log10(amplitude(882) / 0.4), -20.0, 0.5);
    // 441 Hz minus its own loop leaves the 882 Hz part: the 1 s part repeats
    // sample-exactly, whatever the other does.
    double residue = 0;
    for (size_t i = 44100; i < 44100 * 3; ++i) {
        const double low = 0.4 * std::sin(2 * M_PI * 441 * double(i % 44100) / 44100);
        residue = std::max(residue, std::abs(out[2 * i] - low));
    }
    EXPECT_LT(residue, 0.04 * 1.05);
    EXPECT_FALSE(source.exhausted());

    // Played once, it lasts as long as its longest part.
    std::atomic<bool> once{false};
    MixSource preview(own + "/Duo.mix", SoundLookup{{other}}, once, 1.0);
    const std::vector<float> all = readFrames(preview, 44100 * 3);
    EXPECT_NEAR(double(all.size() / 2), 1.5 * 44100, 100);
    EXPECT_TRUE(preview.exhausted());

    // Nothing in it plays: refused like an undecodable file.
    QFile empty(own + "/Empty.mix");
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.write("# nothing\nDuo.mix = 50\n");
    empty.close();
    EXPECT_THROW(MixSource(own + "/Empty.mix", SoundLookup{{other}}, loop, 1.0), Failure);
}

} // namespace
