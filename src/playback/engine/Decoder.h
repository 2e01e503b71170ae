#pragma once

#include "common/NativeNames.h"

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class FormatDecoder;
class RefusedFiles;

// One open sound file, decoded to interleaved stereo 32-bit float at its own
// rate. The decoder is chosen by the file's content (MPEG audio through
// libmpg123, gapless; WAV, FLAC, Ogg Vorbis and Opus through libsndfile),
// never by its name. Not thread-safe: one thread at a time.
//
// Samples far beyond full scale are no real recording: each plays as silence
// (never clipped to full scale), a file that starts with many is refused, and
// a later block of many is played as silence.
class Decoder
{
public:
    // A sample beyond `impossibleLevel` (+6 dBFS: decoded lossy audio overs
    // by a few dB at most), or that is not a number, is damage. A block with
    // more than `impossibleShare` of them is silenced whole.
    static constexpr float impossibleLevel = 2.0f;
    static constexpr double impossibleShare = 0.01;
    static constexpr size_t checkFrames = 1024;

    // Opens the file and decodes its first frames, so a file that opens here
    // is known to play. Throws Failure when it cannot. With `refused`, a file
    // refused before is refused at once until it changes.
    explicit Decoder(const QString& path, std::shared_ptr<RefusedFiles> refused = nullptr);
    // The same through a name held open for as long as the decoder lives.
    explicit Decoder(NativeFileName name, std::shared_ptr<RefusedFiles> refused = nullptr);
    ~Decoder();
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    int sampleRate() const { return m_rate; }
    // Frames in the file as its headers tell (exact for WAV, FLAC and an mp3
    // with a LAME or Xing tag, else estimated); -1 when unknown.
    long long lengthFrames() const;

    // Up to `frames` frames into dst; 0 once the file is over or unreadable.
    size_t read(float* dst, size_t frames);
    // Back to the first frame. A file that was replaced, shrunk or rewritten
    // since it was opened is opened again (it must keep its rate). False when
    // the file can no longer be read.
    bool rewind();

    // Blocks of frames played as silence so far because they were damage.
    uint64_t silencedBlocks() const { return m_silenced; }

    // What a file was when it was opened: a change of any of it is a new file.
    struct Identity {
        qint64 size = -1;
        qint64 modified = 0;
        qint64 changed = 0;
        uint64_t inode = 0;
        uint64_t device = 0;
        bool operator==(const Identity&) const = default;
    };
    static Identity identityOf(const QString& path);

private:
    void open();
    void openFormat();
    void guard(float* samples, size_t frames);

    NativeFileName m_name;
    QString m_path;
    std::shared_ptr<RefusedFiles> m_refused;
    QFile m_file;
    Identity m_identity;
    std::unique_ptr<FormatDecoder> m_format;
    int m_rate = 0;
    uint64_t m_silenced = 0;
    // Frames decoded by the open check, handed out before anything else.
    std::vector<float> m_head;
    size_t m_headPos = 0;
};

// Files a decoder refused, as they were then. A play-window tick may assign
// the same broken file every second, and libsndfile leaks a little on some
// broken Ogg headers: such a file is not decoded again until it changes.
// Shared by the decoders of one player, which may open from two threads.
class RefusedFiles
{
public:
    bool contains(const QString& path, const Decoder::Identity& identity) const;
    void add(const QString& path, const Decoder::Identity& identity);

private:
    static constexpr size_t maxFiles = 32;
    mutable std::mutex m_mutex;
    std::deque<std::pair<QString, Decoder::Identity>> m_files;
};
