#pragma once

#include "playback/engine/FrameSource.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Decoder;
class NativeNames;
class RefusedFiles;
class TellOnce;

// What a streamed file keeps in memory: its ring of decoded frames.
long long streamedBytes();

// A decoded file as a source: held in memory when it fits, and when
// `heldBytes` (if given) still has room for it, which it then takes;
// streamed from the disk otherwise. A streamed file takes its ring's bytes
// from `heldBytes` too, and throws Failure when they are not there.
// `drainRate` is source frames used per second.
std::unique_ptr<FrameSource> fileSource(std::unique_ptr<Decoder> decoder,
                                        const std::atomic<bool>& loop, double drainRate,
                                        long long* heldBytes = nullptr);

// A file, or a mix of files, opened and ready to play.
struct OpenedSound {
    std::unique_ptr<FrameSource> source;
    int rate = 0;
};

// How the files a path names are found, and where their problems are told.
struct SoundLookup {
    // Where a mix's parts are searched after the mix's own folder.
    QStringList soundFolders;
    // The bytes of listed names that are not UTF-8; none: paths are their text.
    const NativeNames* names = nullptr;
    // None: every problem is logged each time.
    TellOnce* told = nullptr;
    // Files refused before, not decoded again until they change; none: all are.
    std::shared_ptr<RefusedFiles> refused = nullptr;
};

// Opens what `path` holds: a sound file, or a mix (a text file named .mix).
// `speed` is the playback rate factor. Throws Failure when nothing plays.
OpenedSound openSound(const QString& path, const SoundLookup& lookup, const std::atomic<bool>& loop,
                      double speed);
