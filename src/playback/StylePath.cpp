#include "playback/StylePath.h"

#include "playback/engine/StyleFile.h"

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

QString currentPlayPath(const QComboBox& list, const QString& programFolder,
                        const NativeNames* names)
{
    const QString folder = list.currentData(kStyleFolderRole).toString();
    return soundFilePath((folder.isEmpty() ? programFolder : folder) + "/sounds",
                         list.currentText(), names);
}
