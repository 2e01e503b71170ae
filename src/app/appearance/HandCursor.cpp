#include "app/appearance/HandCursor.h"

#include "common/Failure.h"

#include <algorithm>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace
{

constexpr qsizetype DirectorySize = 6; // reserved, type, count
constexpr qsizetype EntrySize = 16;
constexpr quint16 CursorType = 2;

quint16 word(const QByteArray& bytes, qsizetype at)
{
    return quint16(uchar(bytes[at]) | uchar(bytes[at + 1]) << 8);
}

} // namespace

QCursor loadHandCursor(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(
            QStringLiteral("Cannot read cursor file %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();

    const auto invalid = [&] { return Failure(QStringLiteral("Invalid picture: %1").arg(path)); };
    if (bytes.size() < DirectorySize + EntrySize || word(bytes, 0) != 0 ||
        word(bytes, 2) != CursorType || word(bytes, 4) == 0)
        throw invalid();

    // The first image's hot spot, from its directory entry.
    int hotX = word(bytes, 10);
    int hotY = word(bytes, 12);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "cur");
    // The format is known: left to guess, Qt loads every image plugin first.
    reader.setAutoDetectImageFormat(false);
    const QImage image = reader.read();
    if (image.isNull())
        throw invalid();

    // A hot spot off the picture would make the click land nowhere useful.
    hotX = std::min(hotX, image.width() - 1);
    hotY = std::min(hotY, image.height() - 1);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}
