#include "common/NativeNames.h"
#include "playback/engine/StyleFile.h"
#include "playback/StylePath.h"
#include "system/SoundLibrary.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

TEST(StylePath, StyleNamesLoseEveryLowerCaseMp3)
{
    EXPECT_EQ(styleName("Rain.MP3"), "Rain.MP3");
    EXPECT_EQ(styleName("sea.mp3.mp3"), "sea");
    EXPECT_EQ(styleName("notes.txt"), "notes.txt");
    EXPECT_EQ(styleName("a.mp3b.mp3"), "ab");
    EXPECT_EQ(soundFilePath("/opt/hw/sounds", "Pink Noise"), "/opt/hw/sounds/Pink Noise.mp3");
    EXPECT_EQ(soundFilePath("/opt/hw/sounds", ""), "/opt/hw/sounds/.mp3");
    // A mix's title, for the desktop's panels, is its name.
    EXPECT_EQ(styleTitle("Beach.mix"), "Beach");
    EXPECT_EQ(styleTitle(".mix"), ".mix");
    EXPECT_EQ(styleTitle("Rain.ogg"), "Rain.ogg");
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
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), "Rain.ogg"), sounds + "Rain.ogg");
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), "Fan.MP3"), sounds + "Fan.MP3");
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), "Both"), sounds + "Both.mp3");
    // Neither is a file: the old path, which plays nothing.
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), "Folder.ogg"), sounds + "Folder.ogg.mp3");
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), "Gone.ogg"), sounds + "Gone.ogg.mp3");
    EXPECT_EQ(soundFilePath(dir.filePath("sounds"), ""), sounds + ".mp3");
}

// A name that is not UTF-8 is listed by its bytes and found and opened
// through them; the file is held open only while something plays it.
TEST(StylePath, ANameThatIsNotUtf8IsOpenedByItsBytesOnlyWhilePlayed)
{
    const auto openFiles = [] {
        return QDir("/proc/self/fd")
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
            .size();
    };
    QTemporaryDir dir;
    const QString folder = dir.filePath("sounds");
    QDir().mkpath(folder);
    const QByteArray bytes = QFile::encodeName(folder) + "/R\xe9gen.mp3";
    const int fd = ::open(bytes.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ::close(fd);

    const auto before = openFiles();
    NativeNames names;
    const QStringList listed = listFilesKeepingNames(folder, "*.*", names);
    ASSERT_EQ(listed, QStringList{QString::fromLatin1("R\xe9gen.mp3")});
    EXPECT_EQ(openFiles(), before); // listing holds nothing open

    const QString path = soundFilePath(folder, styleName(listed[0]), &names);
    EXPECT_EQ(path, folder + "/" + listed[0]);
    EXPECT_TRUE(isNativeFile(path, &names));
    EXPECT_FALSE(isNativeFile(path, nullptr)); // its text names another file
    {
        const NativeFileName opened = openNative(path, &names);
        QFile played(opened.path());
        ASSERT_TRUE(played.open(QIODevice::ReadOnly));
        EXPECT_EQ(played.readAll(), "abc");
        played.close();
        EXPECT_EQ(openFiles(), before + 1);
    }
    EXPECT_EQ(openFiles(), before);

    // Listed without keeping the bytes: shown, but found by no path.
    EXPECT_EQ(GetFileList(folder, "*.*"), listed);
    ::unlink(bytes.constData()); // QTemporaryDir removes by text
}
