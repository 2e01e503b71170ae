// Long-run harness, driven by scripts/soak.
//
//   hushwave_soak render <file.mp3> <hours> [rate]
//       renders that many hours of the file looped, through the real decoder
//       and renderer, offline and as fast as the machine goes; at rate 1 every
//       output frame is compared with the file's own frames. Prints RSS along
//       the way. Exit status 0 only when nothing was dropped, inserted,
//       changed or silent.
//   hushwave_soak days <days> <from hh:mm:ss> <to hh:mm:ss>
//       the window's once-a-second tick, with "Play from" and the generator
//       on, for that many days of a fake clock (local time, so TZ decides the
//       daylight-saving changes), checking after every tick that the sound
//       plays exactly when the time of day is inside the window. Once a day
//       the sound ends by itself inside the window; the next tick must start
//       it again. Exit status 0 only when every tick was right.

#include "app/Form1.h"
#include "engine/OfflineSource.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/Renderer.h"
#include "support/Fakes.h"
#include "support/SystemBackEnds.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace
{

long rssKb()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::vector<float> decodeAll(const QString& path)
{
    Decoder d(path);
    std::vector<float> all, buf(8192 * frame::channels);
    while (size_t n = d.read(buf.data(), 8192))
        all.insert(all.end(), buf.begin(), buf.begin() + long(n * frame::channels));
    return all;
}

int render(const QString& path, double hours, double rate)
{
    const std::vector<float> plain = decodeAll(path);
    const size_t fileFrames = plain.size() / frame::channels;
    Decoder decoder(path);
    const int sampleRate = decoder.sampleRate();
    std::atomic<bool> loop{true};
    OfflineSource source(decoder, loop);
    Renderer renderer(source, sampleRate, sampleRate);
    renderer.setVolume(100); // unity gain: the output is the file itself
    renderer.setRate(rate);

    const uint64_t total = uint64_t(hours * 3600.0 * sampleRate);
    const uint64_t sampleEvery = uint64_t(600.0 * sampleRate); // ten minutes of audio
    const size_t fadeIn = size_t(0.01 * sampleRate);
    const bool exact = rate == 1.0;
    constexpr size_t block = 4096;
    std::vector<float> out(block * frame::channels);

    uint64_t done = 0, mismatched = 0, silentBlocks = 0, nextSample = 0;
    long firstRss = 0, minRss = 0, maxRss = 0;
    QElapsedTimer wall;
    wall.start();
    std::printf("file %s: %zu frames (%.2f s) at %d Hz, rate %g, %.2f h to render\n",
                qPrintable(path), fileFrames, double(fileFrames) / sampleRate, sampleRate, rate,
                hours);
    std::printf("%10s %10s %10s\n", "audio h", "wall s", "RSS kB");
    while (done < total && !renderer.finished()) {
        const size_t n = size_t(std::min<uint64_t>(block, total - done));
        renderer.render(out.data(), n);
        bool silent = true;
        for (size_t i = 0; i < n * frame::channels && silent; ++i)
            silent = out[i] == 0.0f;
        silentBlocks += silent;
        if (exact) {
            for (size_t i = 0; i < n; ++i) {
                const uint64_t at = done + i;
                if (at < fadeIn)
                    continue;
                const size_t k = size_t(at % fileFrames) * frame::channels;
                if (std::memcmp(&out[i * frame::channels], &plain[k], sizeof(float) * 2) != 0)
                    ++mismatched;
            }
        }
        done += n;
        if (done >= nextSample || done >= total) {
            const long rss = rssKb();
            if (nextSample == 0)
                firstRss = minRss = maxRss = rss;
            minRss = std::min(minRss, rss);
            maxRss = std::max(maxRss, rss);
            std::printf("%10.2f %10.1f %10ld\n", double(done) / sampleRate / 3600.0,
                        wall.elapsed() / 1000.0, rss);
            std::fflush(stdout);
            nextSample += sampleEvery;
        }
    }
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double audioSeconds = double(done) / sampleRate;
    std::printf("rendered %.2f h of audio in %.1f s (%.0fx real time)\n", audioSeconds / 3600.0,
                wallSeconds, audioSeconds / wallSeconds);
    std::printf(
        "loops %.1f, frames differing from the file %llu%s, silent blocks %llu, "
        "underrun frames %llu, ended early %s\n",
        double(renderer.framesConsumed()) / double(fileFrames),
        static_cast<unsigned long long>(mismatched), exact ? "" : " (not compared at this rate)",
        static_cast<unsigned long long>(silentBlocks),
        static_cast<unsigned long long>(renderer.underrunFrames()), done < total ? "yes" : "no");
    std::printf("RSS kB first %ld, min %ld, max %ld, last %ld (growth %ld)\n", firstRss, minRss,
                maxRss, rssKb(), rssKb() - firstRss);
    return mismatched == 0 && silentBlocks == 0 && done == total ? 0 : 1;
}

// Plays whatever it is given at once, until stopped or made to end.
class CountingPlayer : public MediaPlayer
{
public:
    void playFile(const QString&) override
    {
        ++starts;
        state = PlayState::Playing;
    }
    void setLoopMode(bool) override {}
    void setVolume(int) override {}
    void setRate(double) override {}
    void stop() override
    {
        if (state == PlayState::Playing)
            ++stops;
        state = PlayState::Stopped;
    }
    PlayState playState() const override { return state; }
    void setEdgeFade(const EdgeFade&) override {}

    long starts = 0;
    long stops = 0;
    PlayState state = PlayState::Undefined;
};

int days(int count, const QTime& from, const QTime& to)
{
    MemorySettingsStore settings;
    CountingPlayer player;
    RecordingErrorReport errors;
    const QDateTime first(QDate(2026, 1, 1), QTime(0, 0));
    FakeClock clock(first);
    SystemBackEnds backEnds;
    Form1 form(
        PlaybackServices{settings, player, errors, clock, "/nonexistent"},
        backEnds.get([](const QString&, const QString&) { return QStringList{"Rain.mp3"}; }));
    form.Form_Load();
    form.DTPicker1->setDateTime(QDateTime(QDate(2026, 1, 1), from));
    form.DTPicker2->setDateTime(QDateTime(QDate(2026, 1, 1), to));
    form.PushButton2->click();
    form.Option2->click();

    const int start = from.msecsSinceStartOfDay() / 1000;
    const int end = to.msecsSinceStartOfDay() / 1000;
    const auto inside = [&](int t) {
        return start <= end ? t >= start && t <= end : t >= start || t <= end;
    };

    const qint64 begin = first.toSecsSinceEpoch();
    const qint64 seconds = qint64(count) * 86400;
    long wrong = 0, endings = 0, insideTicks = 0;
    const long rssBefore = rssKb();
    QElapsedTimer wall;
    wall.start();
    for (qint64 s = 0; s < seconds; ++s) {
        clock.moment = QDateTime::fromSecsSinceEpoch(begin + s);
        const int t = secondsOfDay(clock.moment);
        form.playWindow.Timer1_Timer();
        const bool want = inside(t);
        insideTicks += want;
        if ((player.state == PlayState::Playing) != want && ++wrong <= 10)
            std::printf("wrong at %s: %s\n", qPrintable(clock.moment.toString(Qt::ISODateWithMs)),
                        want ? "silent inside the window" : "playing outside the window");
        // Once a day, an hour into the window, the sound ends by itself.
        if (want && player.state == PlayState::Playing && (t - start + 86400) % 86400 == 3600) {
            player.state = PlayState::MediaEnded;
            ++endings;
        }
    }
    const double wallSeconds = wall.elapsed() / 1000.0;
    std::printf("window %s to %s, %d days (%lld ticks) from %s, TZ=%s\n",
                qPrintable(from.toString("hh:mm:ss")), qPrintable(to.toString("hh:mm:ss")), count,
                seconds, qPrintable(first.toString(Qt::ISODate)), qgetenv("TZ").constData());
    std::printf(
        "ticks inside %ld, starts %ld, stops %ld, endings by themselves %ld, wrong ticks %ld, "
        "error reports %zu\n",
        insideTicks, player.starts, player.stops, endings, wrong, errors.entries.size());
    std::printf("%.1f s of wall time (%.2f us a tick), RSS kB before %ld after %ld\n", wallSeconds,
                wallSeconds * 1e6 / double(seconds), rssBefore, rssKb());
    return wrong == 0 && errors.entries.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "render") == 0)
        return render(QString::fromLocal8Bit(argv[2]), std::atof(argv[3]),
                      argc > 4 ? std::atof(argv[4]) : 1.0);
    if (argc == 5 && std::strcmp(argv[1], "days") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return days(std::atoi(argv[2]), QTime::fromString(argv[3], "hh:mm:ss"),
                    QTime::fromString(argv[4], "hh:mm:ss"));
    }
    std::fprintf(stderr,
                 "usage: %s render <file.mp3> <hours> [rate]\n"
                 "       %s days <days> <from hh:mm:ss> <to hh:mm:ss>\n",
                 argv[0], argv[0]);
    return 64;
}
