#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <mutex>

// Names on disk are bytes, and Qt's paths are text: a name that is not UTF-8
// (a Latin-1 "caf\xe9" from an old archive) loses its bytes in a QString and
// then opens nothing. Such names are shown decoded as Latin-1, and their
// bytes are kept beside the text they are shown under (NativeNames).

// A path Qt and the decoders can open that names exactly some bytes, valid
// while this lives: the text itself when it holds the bytes, else a path
// through a handle of the file (/proc/self/fd/N), closed with this.
class NativeFileName
{
public:
    NativeFileName() = default;
    // A path whose text names the file as it stands.
    explicit NativeFileName(QString text) : m_path(std::move(text)) {}
    // Empty when `native` cannot be opened at all.
    static NativeFileName open(const QByteArray& native);
    ~NativeFileName();
    NativeFileName(NativeFileName&& other) noexcept;
    NativeFileName& operator=(NativeFileName&& other) noexcept;
    NativeFileName(const NativeFileName&) = delete;
    NativeFileName& operator=(const NativeFileName&) = delete;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    int m_fd = -1;
};

// The bytes of the names listed that text cannot hold, by the path they are
// shown under. Made once by the program and handed to the list, which
// fills it, and to the player, which reads it on its own thread; a name
// costs no open file until it is played.
class NativeNames
{
public:
    // The text to show for `name` in `folder`. A name that is not UTF-8 is
    // remembered, so that the path folder + '/' + the text finds its bytes.
    QString shownName(const QString& folder, const QByteArray& name);

    // The bytes `path` stands for: remembered ones, else the text encoded.
    QByteArray bytesOf(const QString& path) const;

private:
    mutable std::mutex m_mutex;
    QHash<QString, QByteArray> m_names;
};

// What `path` stands for, through `names` when given (else its text alone):
// a path that opens it while the result lives, and whether it is a regular
// file.
NativeFileName openNative(const QString& path, const NativeNames* names);
bool isNativeFile(const QString& path, const NativeNames* names);

// True when the text holds these bytes exactly once encoded for a file name.
bool keepsBytes(const QString& text, const QByteArray& native);
