#include "playback/engine/SoundSource.h"

#include "common/Failure.h"
#include "common/NativeNames.h"
#include "playback/engine/Decoder.h"
#include "playback/engine/Frames.h"
#include "playback/engine/HeldLoop.h"
#include "playback/engine/MixSource.h"
#include "playback/engine/Streamer.h"

long long streamedBytes()
{
    constexpr size_t bytes = Streamer::ringFrames * frame::channels * sizeof(float);
    return static_cast<long long>(bytes);
}

std::unique_ptr<FrameSource> fileSource(std::unique_ptr<Decoder> decoder,
                                        const std::atomic<bool>& loop, double drainRate,
                                        long long* heldBytes)
{
    if (HeldLoop::fits(*decoder)) {
        const long long bytes = decoder->lengthFrames() * frame::channels * 2;
        if (!heldBytes || bytes <= *heldBytes) {
            if (heldBytes)
                *heldBytes -= bytes;
            return std::make_unique<HeldLoop>(std::move(decoder), loop);
        }
    }
    if (heldBytes) {
        if (streamedBytes() > *heldBytes)
            throw Failure("no memory left for it within the bound");
        *heldBytes -= streamedBytes();
    }
    return std::make_unique<Streamer>(std::move(decoder), loop, drainRate);
}

OpenedSound openSound(const QString& path, const SoundLookup& lookup, const std::atomic<bool>& loop,
                      double speed)
{
    std::unique_ptr<Decoder> decoder;
    try {
        // A name that is not UTF-8 is opened only now, and closed with the decoder.
        decoder = std::make_unique<Decoder>(openNative(path, lookup.names), lookup.refused);
    } catch (const Failure&) {
        // What a file holds decides: only a file that is no sound is read as a mix.
        if (!path.endsWith(QStringLiteral(".mix"), Qt::CaseInsensitive))
            throw;
        auto mix = std::make_unique<MixSource>(path, lookup, loop, speed);
        const int rate = mix->sampleRate();
        return OpenedSound{std::move(mix), rate};
    }
    const int rate = decoder->sampleRate();
    return OpenedSound{fileSource(std::move(decoder), loop, rate * speed), rate};
}
