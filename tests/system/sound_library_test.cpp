#include "common/Failure.h"
#include "support/WithoutRootAccess.h"
#include "system/SoundLibrary.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST(SoundLibrary, EveryPlainFileIsListedInCaseInsensitiveNameOrder)
{
    QTemporaryDir dir;
    for (const char* name : {"Rain.MP3", "sea.mp3.mp3", "notes.txt", ".hidden.mp3", "NoDot",
                             "brown Noise.mp3", "Äther.mp3"})
        touch(dir.path() + "/" + name);
    QDir(dir.path()).mkpath("Sub folder/inner.mp3");
    touch(dir.path() + "/Sub folder/deep.mp3");
    QFile::link(dir.path() + "/missing.mp3", dir.path() + "/dangling.mp3");

    const QStringList names = GetFileList(dir.path(), "*.*");
    EXPECT_EQ(names, QStringList({".hidden.mp3", "brown Noise.mp3", "NoDot", "notes.txt",
                                  "Rain.MP3", "sea.mp3.mp3", "Äther.mp3"}));
    // A trailing separator is not doubled.
    EXPECT_EQ(GetFileList(dir.path() + "/", "*.*"), names);
    EXPECT_EQ(
        GetFileList(dir.path(), "*.mp3"),
        QStringList({".hidden.mp3", "brown Noise.mp3", "Rain.MP3", "sea.mp3.mp3", "Äther.mp3"}));
}

TEST(SoundLibrary, ManyFilesAreAllListed)
{
    QTemporaryDir dir;
    for (int i = 0; i < 101; ++i)
        touch(dir.path() + QString("/%1.mp3").arg(i, 3, 10, QChar('0')));
    const QStringList names = GetFileList(dir.path(), "*.*");
    ASSERT_EQ(names.size(), 101);
    EXPECT_EQ(names.first(), "000.mp3");
    EXPECT_EQ(names.last(), "100.mp3");
}

TEST(SoundLibrary, AMissingFolderIsEmptyAndAnUnreadableOneFails)
{
    QTemporaryDir dir;
    EXPECT_TRUE(GetFileList(dir.path() + "/nothing", "*.*").isEmpty());
    touch(dir.path() + "/file");
    EXPECT_TRUE(GetFileList(dir.path() + "/file", "*.*").isEmpty());

    QDir(dir.path()).mkdir("locked");
    touch(dir.path() + "/locked/a.mp3");
    QFile::setPermissions(dir.path() + "/locked", QFileDevice::WriteOwner);
    {
        WithoutRootAccess asUser;
        EXPECT_THROW(GetFileList(dir.path() + "/locked", "*.*"), Failure);
    }
    QFile::setPermissions(dir.path() + "/locked",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(SoundLibrary, OnlyReadableRegularFilesExist)
{
    QTemporaryDir dir;
    touch(dir.path() + "/a.mp3");
    EXPECT_TRUE(IsExistingFile(dir.path() + "/a.mp3"));
    EXPECT_FALSE(IsExistingFile(dir.path()));
    EXPECT_FALSE(IsExistingFile(dir.path() + "/b.mp3"));
    EXPECT_FALSE(IsExistingFile(""));
}

} // namespace
