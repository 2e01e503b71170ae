// libFuzzer target for the decode path: whatever bytes a file named .mp3
// holds, opening, decoding, rewinding and decoding again must neither crash
// nor overrun nor run away. Built and run by fuzz-decoder.sh.

#include "common/Failure.h"
#include "playback/engine/Decoder.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace
{
QString scratchPath()
{
    static const QString path = QString("/dev/shm/hushwave-fuzz-%1.mp3").arg(getpid());
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile f(scratchPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
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
