#include "common/NativePath.h"
#include "playback/StylePath.h"
#include "system/SoundLibrary.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(StylePath, StyleNamesLoseEveryLowerCaseMp3)
{
    EXPECT_EQ(styleName("Rain.MP3"), "Rain.MP3");
    EXPECT_EQ(styleName("sea.mp3.mp3"), "sea");
    EXPECT_EQ(styleName("notes.txt"), "notes.txt");
    EXPECT_EQ(styleName("a.mp3b.mp3"), "ab");
    EXPECT_EQ(playPath("/opt/hw", "Pink Noise"), "/opt/hw/sounds/Pink Noise.mp3");
    EXPECT_EQ(playPath("/opt/hw", ""), "/opt/hw/sounds/.mp3");
}

TEST(StylePath, TheMp3RuleComesFirstThenTheListedFileItself)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("sounds/Folder.ogg");
    for (const char* name : {"Rain.ogg", "Fan.MP3", "Both", "Both.mp3"}) {
        QFile f(dir.filePath(QString("sounds/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString sounds = dir.path() + "/sounds/";
    EXPECT_EQ(playPath(dir.path(), "Rain.ogg"), sounds + "Rain.ogg");
    EXPECT_EQ(playPath(dir.path(), "Fan.MP3"), sounds + "Fan.MP3");
    EXPECT_EQ(playPath(dir.path(), "Both"), sounds + "Both.mp3");
    // Neither is a file: the old path, which plays nothing.
    EXPECT_EQ(playPath(dir.path(), "Folder.ogg"), sounds + "Folder.ogg.mp3");
    EXPECT_EQ(playPath(dir.path(), "Gone.ogg"), sounds + "Gone.ogg.mp3");
    EXPECT_EQ(playPath(dir.path(), ""), sounds + ".mp3");
}

// Names from an old Latin-1 archive, in a folder whose own name is Latin-1:
// listed as the user would read them, and the play path opens those bytes.
TEST(StylePath, NamesThatAreNotUtf8AreListedAndTheirPathsOpenTheirBytes)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/caf\xe9";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((folder + "/sounds").constData(), 0755), 0);
    for (const QByteArray& name : {QByteArray("R\xe9gen.mp3"), QByteArray("Wei\xdf.ogg")}) {
        const QByteArray path = folder + "/sounds/" + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, name.constData(), size_t(name.size())), name.size());
        ::close(fd);
    }
    const QString program = openableNow(folder);
    ASSERT_FALSE(program.isEmpty());
    const QStringList names = GetFileList(program + "/sounds", "*.*");
    EXPECT_EQ(names, (QStringList{QString::fromLatin1("R\xe9gen.mp3"),
                                  QString::fromLatin1("Wei\xdf.ogg")}));
    for (const QString& name : names) {
        QFile file(playPath(program, styleName(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(name);
        EXPECT_EQ(file.readAll(), name.toLatin1());
    }
}
