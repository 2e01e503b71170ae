// Command-line harness for measuring the audio engine.
//
//   hushwave_playbench <file.mp3> <seconds> [rate] [volume] [later volume]
//       loops the file through AudioPlayer (the sound server, or SDL when
//       SDL_AUDIODRIVER is set) for that long and prints the CPU
//       time and peak RSS of the whole process; with a later volume, that
//       volume is set half way and the wall time of the call printed
//   hushwave_playbench --noise <out.mp3> <seconds>
//       writes a noise mp3 (LAME, with its gapless tag)
//   hushwave_playbench --decode <file.mp3> <out.raw>
//       writes the file's frames, decoded once, as raw stereo float32
//   hushwave_playbench --seam <file.mp3> <capture.raw> <loops>
//       plays the file looped through SDL's disk driver into capture.raw, at
//       several times real time, and reports each seam: frames inserted or
//       dropped, and the sample jump across it against the signal's
//       99th-percentile jump

#include "Mp3Fixture.h"
#include "playback/engine/AudioPlayer.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/OutputChooser.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace
{

std::vector<float> decodeAll(const QString& path)
{
    Decoder d(path);
    std::vector<float> all, buf(8192 * 2);
    while (size_t n = d.read(buf.data(), 8192))
        all.insert(all.end(), buf.begin(), buf.begin() + long(n * 2));
    return all;
}

int play(const char* file, double seconds, double rate, int volume, int laterVolume)
{
    // Through the sound server unless SDL_AUDIODRIVER names an SDL driver.
    AudioPlayer p(preferredOutputs());
    p.setLoopMode(true);
    p.setVolume(volume);
    p.setRate(rate);
    p.playFile(QString::fromLocal8Bit(file));
    if (p.playState() != PlayState::Playing) {
        std::fprintf(stderr, "cannot play %s (state %d)\n", file, static_cast<int>(p.playState()));
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    bool changed = laterVolume < 0;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!changed && std::chrono::steady_clock::now() - start > (end - start) / 2) {
            changed = true;
            p.setVolume(laterVolume);
            // Wall time, to line up with a recording of the server's output.
            timespec now{};
            clock_gettime(CLOCK_REALTIME, &now);
            std::printf("volume_changed_at %ld.%09ld\n", long(now.tv_sec), now.tv_nsec);
        }
        if (p.playState() != PlayState::Playing) {
            std::fprintf(stderr, "stopped playing (state %d)\n", static_cast<int>(p.playState()));
            return 1;
        }
    }
    const unsigned long long underruns = p.underrunFrames();
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    std::printf("stopped_at %ld.%09ld\n", long(wall.tv_sec), wall.tv_nsec);
    const auto stopStart = std::chrono::steady_clock::now();
    p.stop();
    const double stopMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopStart)
            .count();
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    const double cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                       double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    std::printf("cpu_seconds %.3f\naudio_seconds %.1f\ncpu_per_audio_second %.5f\n"
                "peak_rss_kb %ld\nunderrun_frames %llu\nstop_call_ms %.1f\n",
                cpu, seconds, cpu / seconds, ru.ru_maxrss, underruns, stopMs);
    return 0;
}

int seam(const char* file, const char* capture, int loops)
{
    const QString path = QString::fromLocal8Bit(file);
    const auto plain = decodeAll(path);
    const size_t n = plain.size() / 2;
    if (n < 2048) {
        std::fprintf(stderr, "file too short\n");
        return 1;
    }
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", capture);
    qputenv("SDL_DISKAUDIODELAY", "3"); // ~7.7x real time
    {
        AudioPlayer p;
        p.setVolume(100);
        p.setLoopMode(true);
        p.playFile(path);
        if (p.playState() != PlayState::Playing) {
            std::fprintf(stderr, "cannot play %s\n", file);
            return 1;
        }
        // Until the capture holds the wanted loops and a little more.
        const qint64 want = qint64((loops + 0.3) * double(n) * 2 * sizeof(float));
        while (QFile(QString::fromLocal8Bit(capture)).size() < want)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::printf("underrun_frames %llu\n", p.underrunFrames());
        p.stop();
    }

    QFile f(QString::fromLocal8Bit(capture));
    if (!f.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = f.readAll();
    std::vector<float> c(size_t(bytes.size()) / sizeof(float));
    std::memcpy(c.data(), bytes.data(), c.size() * sizeof(float));
    const size_t frames = c.size() / 2;

    // A loop held in memory is kept as 16-bit samples, within half a step.
    const auto same = [](float a, float b) { return std::abs(a - b) <= 0.5f / 32768 + 1e-7f; };
    auto findFrames = [&](size_t fileFrame, size_t from, size_t to) -> long {
        for (size_t j = from; j + 32 < std::min(to, frames); ++j)
            if (std::equal(c.begin() + long(2 * j), c.begin() + long(2 * j + 64),
                           plain.begin() + long(2 * fileFrame), same))
                return long(j);
        return -1;
    };
    const long first = findFrames(1000, 0, frames); // past the fade-in
    if (first < 0) {
        std::fprintf(stderr, "the file's frames are not in the capture\n");
        return 1;
    }
    const size_t start = size_t(first) - 1000;

    // The signal's own jumps, over the first loop.
    std::vector<float> jumps;
    for (size_t i = start + 1000; i < start + n; ++i)
        for (int ch = 0; ch < 2; ++ch)
            jumps.push_back(std::abs(c[2 * i + ch] - c[2 * (i - 1) + ch]));
    std::sort(jumps.begin(), jumps.end());
    const float p99 = jumps[jumps.size() * 99 / 100];

    int failures = 0;
    size_t expected = start + n;
    for (int k = 1; k <= loops && expected + 64 < frames; ++k) {
        const long at = findFrames(0, expected > 20000 ? expected - 20000 : 0, expected + 200000);
        if (at < 0) {
            std::printf("seam %d: file start not found after the seam\n", k);
            ++failures;
            break;
        }
        const long inserted = at - long(expected);
        float jump = 0;
        for (int ch = 0; ch < 2; ++ch)
            jump = std::max(jump, std::abs(c[2 * size_t(at) + ch] - c[2 * (size_t(at) - 1) + ch]));
        std::printf("seam %d: frames_inserted %ld jump %.4f p99_jump %.4f jump_over_p99 %.2f\n", k,
                    inserted, jump, p99, jump / p99);
        failures += inserted != 0;
        expected = size_t(at) + n;
    }
    return failures == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--noise") == 0) {
        writeNoiseMp3(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]));
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--decode") == 0) {
        const auto all = decodeAll(QString::fromLocal8Bit(argv[2]));
        QFile out(QString::fromLocal8Bit(argv[3]));
        const auto bytes = qint64(all.size() * sizeof(float));
        return out.open(QIODevice::WriteOnly) &&
                       out.write(reinterpret_cast<const char*>(all.data()), bytes) == bytes
                   ? 0
                   : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "--seam") == 0)
        return seam(argv[2], argv[3], std::atoi(argv[4]));
    if (argc >= 3 && argv[1][0] != '-')
        return play(argv[1], std::atof(argv[2]), argc > 3 ? std::atof(argv[3]) : 1.0,
                    argc > 4 ? std::atoi(argv[4]) : 50, argc > 5 ? std::atoi(argv[5]) : -1);
    std::fprintf(stderr,
                 "usage: %s <file.mp3> <seconds> [rate] [volume] [later volume]\n"
                 "       %s --noise <out.mp3> <seconds>\n"
                 "       %s --decode <file.mp3> <out.raw>\n"
                 "       %s --seam <file.mp3> <capture.raw> <loops>\n",
                 argv[0], argv[0], argv[0], argv[0]);
    return 64;
}
