// libFuzzer target for the decode path: whatever bytes a file named .mp3
// holds, sniffing its content, opening it with the decoder that content asks
// for, decoding, rewinding and decoding again must neither crash nor overrun
// nor run away, and never hand out a sample that is not a number. Built and
// run by fuzz-decoder.sh.

#include "common/Failure.h"
#include "playback/engine/AudioContent.h"
#include "playback/engine/Decoder.h"

#include <QFile>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace
{
// A new name for each input: the decoder remembers files it refused by name,
// size and time, and two inputs may share all three.
QString scratchPath(bool next = false)
{
    static unsigned count = 0;
    if (next && count++ == 0)
        std::atexit([] { QFile::remove(scratchPath()); });
    return QString("/dev/shm/hushwave-fuzz-%1-%2.mp3").arg(getpid()).arg(count);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QFile::remove(scratchPath());
    {
        QFile f(scratchPath(true));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    // The sniffer on the bytes alone, cut anywhere.
    sniffAudio(data, size, true);
    sniffAudio(data, size / 2, false);
    id3v2TagSize(data, size);
    try {
        Decoder d(scratchPath());
        if (d.sampleRate() <= 0)
            std::abort();
        std::vector<float> buf(1152 * 2);
        // Each pass is bounded: an mp3 of `size` bytes cannot hold more than
        // a few thousand frames per byte.
        const size_t limit = (size + 1) * 4096;
        for (int pass = 0; pass < 2; ++pass) {
            size_t total = 0;
            while (size_t n = d.read(buf.data(), 1152)) {
                if (n > 1152)
                    std::abort();
                for (size_t i = 0; i < n * 2; ++i)
                    if (!std::isfinite(buf[i]))
                        std::abort(); // the renderer must never see one
                total += n;
                if (total > limit)
                    std::abort(); // decoding without end
            }
            if (!d.rewind())
                break;
        }
    } catch (const Failure&) {
        // Refused: the expected answer for most inputs.
    }
    return 0;
}
