#include "playback/StylePath.h"

#include <QComboBox>

QString styleName(const QString& fileName)
{
    QString name = fileName;
    return name.remove(QStringLiteral(".mp3"), Qt::CaseSensitive);
}

QString playPath(const QString& programFolder, const QString& style)
{
    return programFolder + "/sounds/" + style + ".mp3";
}

QString currentPlayPath(const QComboBox& list, const QString& programFolder)
{
    const QString folder = list.currentData(kStyleFolderRole).toString();
    return playPath(folder.isEmpty() ? programFolder : folder, list.currentText());
}
