#include "playback/engine/StyleFile.h"

#include "common/NativePath.h"

#include <QFileInfo>

QString soundFilePath(const QString& soundsFolder, const QString& style)
{
    const QString folder = soundsFolder + '/';
    // A name that is not UTF-8 is opened through the bytes it was listed with.
    QString mp3 = openable(folder + style + ".mp3");
    QString plain = openable(folder + style);
    // Every file in the folder is listed; one that is not "<style>.mp3"
    // ("Rain.ogg", "Fan.MP3") is played under its own name.
    if (!style.isEmpty() && !QFileInfo(mp3).isFile() && QFileInfo(plain).isFile())
        return plain;
    return mp3;
}
