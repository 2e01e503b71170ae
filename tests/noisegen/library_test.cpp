// The default sound library as the program gets it: the mp3 files in the
// build's program folder, decoded gaplessly the way the player decodes them.

#include "Mp3Loop.h"
#include "playback/engine/MixSource.h"
#include "playback/engine/Renderer.h"
#include "Styles.h"

#include <gtest/gtest.h>
#include <mpg123.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numbers>

namespace
{

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<float> samples; // interleaved
    std::size_t frames() const { return channels ? samples.size() / std::size_t(channels) : 0; }
    std::vector<float> channel(int c) const
    {
        std::vector<float> out(frames());
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = samples[i * std::size_t(channels) + std::size_t(c)];
        return out;
    }
};

Decoded decodeGapless(const QString& path)
{
    static const int initialised = mpg123_init();
    (void)initialised;
    Decoded result;
    int error = 0;
    std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(mpg123_new(nullptr, &error),
                                                                    mpg123_delete);
    if (!handle)
        return result;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), 44100, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle.get(), QFile::encodeName(path).constData()) != MPG123_OK)
        return result;
    int encoding = 0;
    mpg123_getformat(handle.get(), &result.rate, &result.channels, &encoding);
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        std::size_t done = 0;
        const int status = mpg123_read(handle.get(), buffer.data(), buffer.size(), &done);
        const auto* floats = reinterpret_cast<const float*>(buffer.data());
        result.samples.insert(result.samples.end(), floats, floats + done / sizeof(float));
        if (status == MPG123_DONE)
            break;
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            ADD_FAILURE() << "decoding " << path.toStdString() << ": "
                          << mpg123_plain_strerror(status);
            break;
        }
    }
    mpg123_close(handle.get());
    return result;
}

double dB(double value)
{
    return 20 * std::log10(std::max(value, 1e-12));
}

double rms(const std::vector<float>& x)
{
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return std::sqrt(sum / double(x.size()));
}

struct Seam {
    double jump; // last sample to first
    double p99;  // 99th percentile of the file's own sample-to-sample jumps
    double rank; // share of the file's jumps smaller than the seam's
};

Seam seamOf(const std::vector<float>& x)
{
    std::vector<float> steps(x.size() - 1);
    for (std::size_t i = 0; i + 1 < x.size(); ++i)
        steps[i] = std::abs(x[i + 1] - x[i]);
    Seam seam{std::abs(double(x.front()) - x.back()), 0, 0};
    seam.rank =
        double(std::count_if(steps.begin(), steps.end(), [&](float s) { return s < seam.jump; })) /
        double(steps.size());
    auto at = steps.begin() + std::ptrdiff_t(0.99 * double(steps.size()));
    std::nth_element(steps.begin(), at, steps.end());
    seam.p99 = *at;
    return seam;
}

// Mean power at one frequency over Hann-windowed blocks (Goertzel).
double powerAt(const std::vector<float>& x, double freq, double rate)
{
    constexpr std::size_t block = 4096;
    const double coeff = 2 * std::cos(2 * std::numbers::pi * freq / rate);
    double total = 0;
    std::size_t blocks = 0;
    for (std::size_t start = 0; start + block <= x.size(); start += block, ++blocks) {
        double s1 = 0, s2 = 0;
        for (std::size_t i = 0; i < block; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / block);
            const double s = x[start + i] * w + coeff * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        total += s1 * s1 + s2 * s2 - coeff * s1 * s2;
    }
    return total / double(blocks);
}

QString soundsFolder()
{
    return qEnvironmentVariable("HUSHWAVE_PROGRAM_DIR") + "/sounds";
}

class LibraryFiles : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (const auto& style : noisegen::defaultStyles()) {
            const QString name = QString::fromUtf8(style.name.data(), qsizetype(style.name.size()));
            decoded_[name] = decodeGapless(soundsFolder() + "/" + name + ".mp3");
        }
    }
    // Every check below needs every file: a missing one fails them all.
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("HUSHWAVE_PROGRAM_DIR"));
        for (const auto& [name, audio] : decoded_)
            ASSERT_GT(audio.frames(), 0u) << name.toStdString() << " missing or undecodable in "
                                          << soundsFolder().toStdString();
    }
    static std::map<QString, Decoded> decoded_;
};
std::map<QString, Decoded> LibraryFiles::decoded_;

TEST_F(LibraryFiles, EveryStyleIsAFullMinuteOfStereoUnderTheSizeLimit)
{
    for (const char* name : {"White Noise", "Pink Noise", "Brown Noise"})
        EXPECT_TRUE(decoded_.count(name)) << name;
    EXPECT_GE(decoded_.size(), 5u); // the noise colours and some textures

    for (const auto& [name, audio] : decoded_) {
        SCOPED_TRACE(name.toStdString());
        const QFileInfo file(soundsFolder() + "/" + name + ".mp3");
        ASSERT_TRUE(file.isFile());
        EXPECT_LE(file.size(), 1'500'000);
        EXPECT_EQ(audio.rate, noisegen::kSampleRate);
        EXPECT_EQ(audio.channels, 2);
        // Exactly the loop: the wrapped-around lead-in and tail are trimmed.
        EXPECT_EQ(audio.frames(), noisegen::kLoopFrames);
    }
}

TEST_F(LibraryFiles, LoopSeamIsNoBiggerThanTheSoundsOwnSteps)
{
    for (const auto& [name, audio] : decoded_) {
        for (int c = 0; c < audio.channels; ++c) {
            const Seam seam = seamOf(audio.channel(c));
            EXPECT_LE(seam.jump, seam.p99) << name.toStdString() << " channel " << c;
            std::printf("  %-12s ch%d seam %.5f  p99 step %.5f  (%.0f%% of steps are smaller)\n",
                        name.toStdString().c_str(), c, seam.jump, seam.p99, 100 * seam.rank);
        }
    }
}

TEST_F(LibraryFiles, LevelsAreMatchedWithoutClipping)
{
    double lowest = 1e9, highest = -1e9;
    for (const auto& [name, audio] : decoded_) {
        const double level = dB(rms(audio.samples));
        float peak = 0;
        for (float v : audio.samples)
            peak = std::max(peak, std::abs(v));
        EXPECT_LT(dB(peak), -1.0) << name.toStdString();
        lowest = std::min(lowest, level);
        highest = std::max(highest, level);
        std::printf("  %-12s rms %.2f dBFS  peak %.2f dBFS\n", name.toStdString().c_str(), level,
                    dB(peak));
    }
    EXPECT_LE(highest - lowest, 1.0);
}

// A mix, its parts summed as the player sums them, meets the styles' level.
TEST_F(LibraryFiles, MixesAreLevelledLikeTheStyles)
{
    const QStringList mixes = QDir(soundsFolder()).entryList({"*.mix"}, QDir::Files);
    EXPECT_EQ(mixes.size(), qsizetype(noisegen::defaultMixes().size()));
    for (const QString& name : mixes) {
        SCOPED_TRACE(name.toStdString());
        QFile file(soundsFolder() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QStringList problems;
        const std::vector<::MixPart> parts = parseMix(file.readAll(), problems);
        EXPECT_TRUE(problems.isEmpty()) << problems.join("; ").toStdString();
        ASSERT_GE(parts.size(), 2u);
        std::vector<float> sum(noisegen::kLoopFrames * 2);
        for (const ::MixPart& part : parts) {
            ASSERT_TRUE(decoded_.count(part.style)) << part.style.toStdString();
            const std::vector<float>& samples = decoded_[part.style].samples;
            ASSERT_EQ(samples.size(), sum.size());
            const float gain = Renderer::volumeGain(part.level);
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] += gain * samples[i];
        }
        EXPECT_NEAR(dB(rms(sum)), noisegen::kTargetRmsDb, 1.0);
        std::printf("  %-24s rms %.2f dBFS\n", name.toStdString().c_str(), dB(rms(sum)));
    }
}

TEST_F(LibraryFiles, NoiseColoursFallAtTheirSlopes)
{
    // Power change over the four octaves from 250 Hz to 4 kHz.
    const std::map<QString, double> expectedDrop{
        {"White Noise", 0}, {"Pink Noise", 12}, {"Brown Noise", 24}};
    for (const auto& [name, drop] : expectedDrop) {
        const Decoded& audio = decoded_[name];
        ASSERT_GT(audio.frames(), 0u) << name.toStdString();
        for (int c = 0; c < audio.channels; ++c) {
            const auto x = audio.channel(c);
            const double measured =
                10 * std::log10(powerAt(x, 250, 44100) / powerAt(x, 4000, 44100));
            EXPECT_NEAR(measured, drop, 2.0) << name.toStdString() << " channel " << c;
        }
    }
}

TEST_F(LibraryFiles, WavesSwellWhileNoiseStaysSteady)
{
    auto swing = [](const Decoded& audio) {
        const auto x = audio.channel(0);
        double low = 1e9, high = -1e9;
        const std::size_t second = 44100;
        for (std::size_t s = 0; s + second <= x.size(); s += second) {
            const double level = dB(rms(std::vector<float>(
                x.begin() + std::ptrdiff_t(s), x.begin() + std::ptrdiff_t(s + second))));
            low = std::min(low, level);
            high = std::max(high, level);
        }
        return high - low;
    };
    ASSERT_TRUE(decoded_.count("Ocean Waves"));
    EXPECT_GT(swing(decoded_["Ocean Waves"]), 6.0);
    EXPECT_LT(swing(decoded_["White Noise"]), 0.5);
}

TEST(Generator, SecondRunWritesIdenticalFiles)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QProcess generator;
    generator.start(NOISEGEN_EXECUTABLE, {folder.path()});
    ASSERT_TRUE(generator.waitForFinished(300'000));
    ASSERT_EQ(generator.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();

    const QStringList made = QDir(folder.path()).entryList(QDir::Files);
    EXPECT_EQ(made.size(),
              qsizetype(noisegen::defaultStyles().size() + noisegen::defaultMixes().size()));
    EXPECT_TRUE(QDir(folder.path())
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty()); // no work folder left
    for (const QString& file : made) {
        SCOPED_TRACE(file.toStdString());
        QFile again(folder.path() + "/" + file), built(soundsFolder() + "/" + file);
        ASSERT_TRUE(again.open(QIODevice::ReadOnly));
        ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << "the build did not generate it";
        EXPECT_TRUE(again.readAll() == built.readAll());
    }
}

// The encoder on its own, on a short loop: the decoded audio is the loop,
// sample for sample in place, and the tag declares the hidden wrap.
TEST(EncodeLoop, DecodesBackToTheLoopInPlace)
{
    const std::size_t frames = 3 * 44100;
    const noisegen::Loop loop = noisegen::renderStyle(*noisegen::findStyle("Pink Noise"), frames);
    noisegen::Mp3Settings settings;
    const auto mp3 = noisegen::encodeLoop(loop, 44100, settings);

    noisegen::LameGap gap{};
    ASSERT_TRUE(noisegen::readLameGap(mp3, gap));
    EXPECT_EQ(gap.delay, 576 + int(settings.wrapFrames));
    EXPECT_GT(gap.padding, int(settings.wrapFrames));

    QTemporaryDir folder;
    QFile file(folder.path() + "/loop.mp3");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(mp3.data()), qint64(mp3.size()));
    file.close();
    const Decoded audio = decodeGapless(file.fileName());
    ASSERT_EQ(audio.frames(), frames);

    // Error energy against the source at small offsets: smallest at zero.
    const auto left = audio.channel(0);
    auto errorAt = [&](int lag) {
        double sum = 0;
        for (std::size_t i = 100; i + 100 < frames; ++i)
            sum += std::pow(double(left[i]) - loop.left[std::size_t(std::ptrdiff_t(i) + lag)], 2);
        return sum;
    };
    const double inPlace = errorAt(0);
    for (int lag : {-3, -2, -1, 1, 2, 3})
        EXPECT_LT(inPlace, errorAt(lag)) << "lag " << lag;
    // And close to the source: coding noise well below the signal.
    EXPECT_LT(10 * std::log10(inPlace / (double(frames) * std::pow(rms(loop.left), 2))), -10.0);
}

} // namespace
