#include "playback/engine/StyleFile.h"

#include "common/NativeNames.h"

QString soundFilePath(const QString& soundsFolder, const QString& style, const NativeNames* names)
{
    const QString folder = soundsFolder + '/';
    QString mp3 = folder + style + ".mp3";
    QString plain = folder + style;
    // Every file in the folder is listed; one that is not "<style>.mp3"
    // ("Rain.ogg", "Fan.MP3") is played under its own name.
    if (!style.isEmpty() && !isNativeFile(mp3, names) && isNativeFile(plain, names))
        return plain;
    return mp3;
}
