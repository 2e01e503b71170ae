#include "playback/StylePath.h"

QString styleName(const QString& fileName)
{
    QString name = fileName;
    return name.remove(QStringLiteral(".mp3"), Qt::CaseSensitive);
}

QString playPath(const QString& programFolder, const QString& style)
{
    return programFolder + "/sounds/" + style + ".mp3";
}
