#include "EngineTestUtil.h"
#include "Mp3Fixture.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <random>
#include <sys/resource.h>
#include <sys/stat.h>

namespace
{

class DecoderTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    void writeBytes(const QString& name, const QByteArray& bytes)
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(DecoderTest, GaplessDecodeGivesExactlyTheEncodedFrames)
{
    writeNoiseMp3(path("stereo.mp3"), 2.0, 44100, 2);
    writeNoiseMp3(path("mono.mp3"), 1.0, 48000, 1);
    int rate = 0;
    const auto stereo = decodeAll(path("stereo.mp3"), &rate);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(stereo.size(), size_t(2 * 88200)); // no encoder delay, no padding

    const auto mono = decodeAll(path("mono.mp3"), &rate);
    EXPECT_EQ(rate, 48000);
    ASSERT_EQ(mono.size(), size_t(2 * 48000));
    for (size_t i = 0; i < mono.size(); i += 2)
        ASSERT_EQ(mono[i], mono[i + 1]) << "frame " << i / 2;
    EXPECT_GT(rms(mono), 0.05);
}

// mp3s joined with cat keep the first one's tag, which counts only the first
// part's frames and bytes: the whole stream plays, not the first part.
TEST_F(DecoderTest, TagOfOnlyAFirstPartIsNotTrusted)
{
    writeNoiseMp3(path("a.mp3"), 1.0, 44100, 2, 1);
    writeNoiseMp3(path("b.mp3"), 4.0, 44100, 2, 2);
    QFile a(path("a.mp3")), b(path("b.mp3"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    writeBytes("joined.mp3", a.readAll() + b.readAll());

    Decoder joined(path("joined.mp3"));
    EXPECT_GT(joined.lengthFrames(), 44100 * 9 / 2);
    const auto all = decodeAll(path("joined.mp3"));
    // Both parts whole; untrimmed, each keeps its encoder delay and padding.
    EXPECT_GT(all.size(), size_t(2 * 44100 * 5));
    EXPECT_LT(all.size(), size_t(2 * 44100 * 53 / 10));
}

TEST_F(DecoderTest, RewindRepeatsTheFileFrameForFrame)
{
    writeNoiseMp3(path("a.mp3"), 1.5);
    const auto plain = decodeAll(path("a.mp3"));
    Decoder decoder(path("a.mp3"));
    std::vector<float> buf(3000 * 2);
    // Rewind from the middle and from the end: both start over exactly.
    decoder.read(buf.data(), 3000);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_TRUE(decoder.rewind());
        std::vector<float> again;
        while (size_t n = decoder.read(buf.data(), 3000))
            again.insert(again.end(), buf.begin(), buf.begin() + long(n * 2));
        ASSERT_EQ(again.size(), plain.size());
        EXPECT_TRUE(again == plain) << "pass " << pass;
    }
}

TEST_F(DecoderTest, AwkwardPathsOpen)
{
    QDir(dir.path()).mkpath("with space/Ünïcødé ノイズ");
    const QString p = path("with space/Ünïcødé ノイズ/Brown Noise é.mp3");
    writeNoiseMp3(p, 0.5);
    EXPECT_EQ(decodeAll(p).size(), size_t(2 * 22050));
}

TEST_F(DecoderTest, RefusesWhatIsNotSound)
{
    writeBytes("empty.mp3", {});
    writeBytes("text.mp3", QByteArray("Hushwave plays noise.\n").repeated(500));
    std::mt19937 gen(7);
    QByteArray random(256 * 1024, 0);
    for (auto& b : random)
        b = char(gen());
    writeBytes("random.mp3", random);
    // A WAV header followed by 16-bit noise.
    const unsigned char header[44] = {
        'R',  'I',  'F',  'F',  0x24, 0x10, 0x01, 0x00, 'W',  'A',  'V',  'E',  'f',  'm',  't',
        ' ',  0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xac, 0x00, 0x00, 0x10, 0xb1,
        0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 'd',  'a',  't',  'a',  0x00, 0x10, 0x01, 0x00};
    QByteArray wav(reinterpret_cast<const char*>(header), sizeof header);
    wav.append(random.left(0x11000));
    writeBytes("wave.mp3", wav);
    // Its header cut short, and a WAV whose rate no recording has.
    writeBytes("wave-head.mp3", wav.left(30));
    wav[24] = 3;
    wav[25] = wav[26] = 0;
    writeBytes("wave-3hz.mp3", wav);
    writeBytes("flac-junk.flac", QByteArray("fLaC") + random.left(5000));
    writeBytes("ogg-junk.ogg", QByteArray("OggS") + random.left(5000));
    writeNoiseMp3(path("whole.mp3"), 1.0);
    QFile whole(path("whole.mp3"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    writeBytes("stub.mp3", whole.read(100)); // cut inside the tag frame
    QDir(dir.path()).mkdir("folder.mp3");
    // A pipe would block the opener until someone writes to it.
    ASSERT_EQ(mkfifo(path("pipe.mp3").toLocal8Bit().constData(), 0600), 0);

    for (const char* name :
         {"empty.mp3", "text.mp3", "random.mp3", "wave-head.mp3", "wave-3hz.mp3", "stub.mp3",
          "flac-junk.flac", "ogg-junk.ogg", "folder.mp3", "pipe.mp3", "absent.mp3"}) {
        EXPECT_THROW(Decoder{path(name)}, Failure) << name;
    }
    // A whole WAV is sound, whatever its name: its 16-bit noise as it is.
    const auto wave = decodeAll(path("wave.mp3"));
    ASSERT_EQ(wave.size(), size_t(0x11000 / 2));
    EXPECT_EQ(wave[0], float(int16_t(uint8_t(random[0]) | uint8_t(random[1]) << 8)) / 32768);
}

TEST_F(DecoderTest, RefusedFileIsTriedAgainOnceItChanges)
{
    writeNoiseMp3(path("good.mp3"), 0.5);
    QFile good(path("good.mp3"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    const QByteArray bytes = good.readAll();
    writeBytes("later.mp3", bytes.left(300)); // still being copied
    const auto refused = std::make_shared<RefusedFiles>();
    const auto failure = [](const QString& file, const std::shared_ptr<RefusedFiles>& memory) {
        try {
            Decoder d(file, memory);
        } catch (const Failure& f) {
            return QString(f.what());
        }
        return QString();
    };
    const QString first = failure(path("later.mp3"), refused);
    EXPECT_FALSE(first.isEmpty());
    EXPECT_FALSE(first.contains("refused before"));
    // The same player does not decode it again; another player has its own memory.
    EXPECT_TRUE(failure(path("later.mp3"), refused).contains("refused before"));
    EXPECT_EQ(failure(path("later.mp3"), std::make_shared<RefusedFiles>()), first);
    writeBytes("later.mp3", bytes);
    EXPECT_NO_THROW(Decoder(path("later.mp3"), refused));
    EXPECT_EQ(decodeAll(path("later.mp3")).size(), size_t(2 * 22050));
}

TEST_F(DecoderTest, TruncatedFilePlaysWhatIsThereAndEnds)
{
    writeNoiseMp3(path("whole.mp3"), 2.0);
    QFile whole(path("whole.mp3"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    writeBytes("half.mp3", whole.read(whole.size() / 2));
    const auto half = decodeAll(path("half.mp3"));
    EXPECT_GT(half.size(), size_t(2 * 30000));
    EXPECT_LT(half.size(), size_t(2 * 88200));
}

TEST_F(DecoderTest, GigabyteOfZerosIsRefusedQuickly)
{
    QFile big(path("big.mp3"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(1) << 30)); // sparse
    big.close();
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    EXPECT_THROW(Decoder{path("big.mp3")}, Failure);
    EXPECT_LT(timer.elapsed(), 3000);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 32 * 1024); // kB: nothing like the file's size
}

// A file rewritten while it plays is read again at the next loop start; one
// that is gone or empty ends the loop; one at another rate is left for a new
// assignment.
TEST_F(DecoderTest, ChangedFileIsOpenedAgainAtTheLoopStart)
{
    writeNoiseMp3(path("first.mp3"), 1.0, 44100, 2, 1);
    writeNoiseMp3(path("second.mp3"), 1.5, 44100, 2, 2);
    writeNoiseMp3(path("other-rate.mp3"), 1.0, 48000, 2, 3);
    const auto second = decodeAll(path("second.mp3"));
    QFile::copy(path("first.mp3"), path("live.mp3"));
    auto overwrite = [&](const QString& from) {
        QFile src(path(from)), dst(path("live.mp3"));
        ASSERT_TRUE(src.open(QIODevice::ReadOnly));
        ASSERT_TRUE(dst.open(QIODevice::WriteOnly | QIODevice::Truncate)); // same file, in place
        dst.write(src.readAll());
    };

    Decoder d(path("live.mp3"));
    std::vector<float> buf(4096 * 2);
    d.read(buf.data(), 4096);
    overwrite("second.mp3");
    ASSERT_TRUE(d.rewind());
    std::vector<float> again;
    while (size_t n = d.read(buf.data(), 4096))
        again.insert(again.end(), buf.begin(), buf.begin() + long(n * 2));
    EXPECT_TRUE(again == second);

    ASSERT_TRUE(d.rewind()); // unchanged since: a plain rewind
    overwrite("other-rate.mp3");
    EXPECT_FALSE(d.rewind());
    EXPECT_EQ(d.sampleRate(), 44100);
    EXPECT_EQ(d.read(buf.data(), 4096), 0u);

    Decoder e(path("second.mp3"));
    QFile(path("second.mp3")).resize(0);
    EXPECT_GT(e.read(buf.data(), 4096), 0u); // what is open plays on
    EXPECT_FALSE(e.rewind());
    EXPECT_EQ(e.read(buf.data(), 4096), 0u);
}

} // namespace
