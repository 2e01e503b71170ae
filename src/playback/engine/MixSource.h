#pragma once

#include "playback/engine/FrameSource.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

class RefusedFiles;

// One line of a mix: a style as the list shows it, at a level on the volume
// slider's scale (100 is the part's own level).
struct MixPart {
    QString style;
    int level = 0;
};

// The parts named by a mix file's bytes, in order: one `<style> = <level>`
// a line, `#` starts a comment, blank lines are fine. A line that cannot be
// read is left out and told in `problems`.
std::vector<MixPart> parseMix(const QByteArray& bytes, QStringList& problems);

// A mix as one source: every playable part at once, each looping on its own
// seam (or played once while loop is off), all starting together, summed at
// their levels and brought to one rate. Parts are held in memory up to
// `heldBytes` in total; the rest stream. Parts left out are told once on
// the log.
class MixSource : public FrameSource
{
public:
    static constexpr long long heldBytes = 64LL * 1024 * 1024;

    // Parts are searched in the mix's own folder, then in `soundFolders`.
    // Throws Failure when no part can be played.
    MixSource(const QString& path, const QStringList& soundFolders, const std::atomic<bool>& loop,
              double speed, const std::shared_ptr<RefusedFiles>& refused = nullptr);
    ~MixSource() override;
    MixSource(const MixSource&) = delete;
    MixSource& operator=(const MixSource&) = delete;

    int sampleRate() const { return m_rate; }
    size_t partCount() const { return m_parts.size(); }
    // Streamed parts decode ahead fast enough for the speed this gives.
    void setDrainRate(double framesPerSecond) override;
    bool holdsEveryFrame() const override;

    size_t read(float* dst, size_t frames) override;
    bool exhausted() override;
    bool failed() override;

private:
    struct Part;

    std::vector<std::unique_ptr<Part>> m_parts;
    int m_rate = 0;
};
