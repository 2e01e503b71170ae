#include "playback/StylePath.h"

#include "playback/engine/MixSource.h"

#include <QComboBox>

QString styleName(const QString& fileName)
{
    QString name = fileName;
    return name.remove(QStringLiteral(".mp3"), Qt::CaseSensitive);
}

QString styleTitle(const QString& listed)
{
    if (listed.size() > 4 && listed.endsWith(QStringLiteral(".mix"), Qt::CaseInsensitive))
        return listed.chopped(4);
    return listed;
}

QString playPath(const QString& programFolder, const QString& style)
{
    return soundFilePath(programFolder + "/sounds", style);
}

QString currentPlayPath(const QComboBox& list, const QString& programFolder)
{
    const QString folder = list.currentData(kStyleFolderRole).toString();
    return playPath(folder.isEmpty() ? programFolder : folder, list.currentText());
}
