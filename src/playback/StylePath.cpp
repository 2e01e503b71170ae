#include "playback/StylePath.h"

#include "common/NativePath.h"

#include <QComboBox>
#include <QFileInfo>

QString styleName(const QString& fileName)
{
    QString name = fileName;
    return name.remove(QStringLiteral(".mp3"), Qt::CaseSensitive);
}

QString playPath(const QString& programFolder, const QString& style)
{
    const QString folder = programFolder + "/sounds/";
    const QString mp3 = openable(folder + style + ".mp3");
    const QString plain = openable(folder + style);
    // Every file in the folder is listed; one that is not "<style>.mp3"
    // ("Rain.ogg", "Fan.MP3") is played under its own name.
    if (!style.isEmpty() && !QFileInfo(mp3).isFile() && QFileInfo(plain).isFile())
        return plain;
    return mp3;
}

QString currentPlayPath(const QComboBox& list, const QString& programFolder)
{
    const QString folder = list.currentData(kStyleFolderRole).toString();
    return playPath(folder.isEmpty() ? programFolder : folder, list.currentText());
}
