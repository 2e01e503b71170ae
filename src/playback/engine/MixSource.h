#pragma once

#include "playback/engine/FrameSource.h"
#include "playback/engine/SoundSource.h"

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

// A mix is a short text; anything longer is not one.
constexpr qsizetype maxMixBytes = 64 * 1024;
// Parts after these many are left out: each one costs a decoder, a file and
// its share of the memory bound.
constexpr size_t maxMixParts = 16;

// The parts named by a mix file's bytes, in order: one `<style> = <level>`
// a line, `#` starts a comment, blank lines are fine. A style is a plain
// file name: a path could reach outside the mix's folders. A line that cannot
// be read is left out and told in `problems`; bytes that are no text at all
// are told once, as are the parts after the first maxMixParts.
std::vector<MixPart> parseMix(const QByteArray& bytes, QStringList& problems);

// A mix as one source: every playable part at once, each looping on its own
// seam (or played once while loop is off), all starting together, summed at
// their levels and brought to one rate. Parts are held in memory up to
// `heldBytes` in total, streamed parts' rings counted in; the rest stream,
// and a part with no room left is left out. Parts left out are told on the
// log, once through `lookup.told`.
class MixSource : public FrameSource
{
public:
    static constexpr long long heldBytes = 64LL * 1024 * 1024;

    // Parts are searched in the mix's own folder, then in the lookup's.
    // Throws Failure when no part can be played.
    MixSource(const QString& path, const SoundLookup& lookup, const std::atomic<bool>& loop,
              double speed);
    ~MixSource() override;
    MixSource(const MixSource&) = delete;
    MixSource& operator=(const MixSource&) = delete;

    int sampleRate() const { return m_rate; }
    size_t partCount() const { return m_parts.size(); }
    // Streamed parts decode ahead fast enough for the speed this gives.
    void setDrainRate(double framesPerSecond) override;
    bool holdsEveryFrame() const override;
    // Held parts are resampled once to `rate`; only while nothing reads.
    bool playAt(int rate) override;

    size_t read(float* dst, size_t frames) override;
    bool exhausted() override;
    bool failed() override;

private:
    struct Part;

    std::vector<std::unique_ptr<Part>> m_parts;
    int m_rate = 0;     // the first part's: speeds are told against it
    int m_playRate = 0; // what it reads out at
};
