#include "playback/engine/StyleFile.h"
#include "playback/StylePath.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
