#pragma once

#include "playback/engine/FrameSource.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class Decoder;

// A decoded file as a source: held in memory when it fits, and when
// `heldBytes` (if given) still has room for it, which it then takes;
// streamed from the disk otherwise. `drainRate` is source frames used per
// second.
std::unique_ptr<FrameSource> fileSource(std::unique_ptr<Decoder> decoder,
                                        const std::atomic<bool>& loop, double drainRate,
                                        long long* heldBytes = nullptr);

// A file, or a mix of files, opened and ready to play.
class RefusedFiles;

struct OpenedSound {
    std::unique_ptr<FrameSource> source;
    int rate = 0;
};

// Opens what `path` holds: a sound file, or a mix (a text file named .mix)
// whose parts are searched in its own folder and then in `soundFolders`.
// `speed` is the playback rate factor. Throws Failure when nothing plays;
// with `refused`, files refused before are not decoded again.
OpenedSound openSound(const QString& path, const QStringList& soundFolders,
                      const std::atomic<bool>& loop, double speed,
                      const std::shared_ptr<RefusedFiles>& refused = nullptr);
