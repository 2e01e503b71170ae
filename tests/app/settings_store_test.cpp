#include "app/IniSettingsStore.h"
#include "common/Failure.h"
#include "support/Fakes.h"
#include "support/Files.h"
#include "support/TempConfig.h"
#include "support/WithoutRootAccess.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace
{

TEST(SettingsStore, TextsComeBackExactlyAndAbsentKeysGiveTheirDefault)
{
    TempConfig config;
    IniSettingsStore store;
    EXPECT_EQ(store.filePath(), config.settingsFile());
    EXPECT_EQ(store.get("Volume", "50"), "50");

    const QStringList texts = {"On", "on", " 6 0 ", "12/6/2026 9:15:00 PM", "a,b;c=d", "", "ÄÖ ü"};
    for (const QString& text : texts) {
        store.save("Time From", text);
        EXPECT_EQ(IniSettingsStore().get("Time From", "default"), text);
    }
    store.save("Windows Startup", "On");
    EXPECT_TRUE(readAll(config.settingsFile()).contains("[Hushwave]"));
}

// Only the saved key's line changes: other sections, comments, a quoted
// value that spans lines, and keys the program does not know stay byte for
// byte. The last of a key's lines is the one read, and a save leaves one.
TEST(SettingsStore, ASaveRewritesItsKeyAloneAndReadsFollowQSettings)
{
    TempConfig config;
    const QByteArray head = "\xef\xbb\xbf; a comment\n"
                            "[Other]\nVolume=1\nNote=\"spans\n[Hushwave]\nVolume=2\"\n\n";
    const QByteArray tail = "[Hushwave%2FSub]\nVolume=4\n[More]\nx=1";
    writeAll(config.settingsFile(), head +
                                        "[Hushwave]\nVolume=5\nWindows%20Startup=On\n"
                                        "Kept=\"a,b\" ; note\n[Hushwave]\nVolume=6\n" +
                                        tail);
    IniSettingsStore store;
    EXPECT_EQ(store.get("Volume", ""), "6") << "the last line wins";
    EXPECT_EQ(store.get("Windows Startup", ""), "On");
    EXPECT_EQ(store.get("Kept", ""), "a,b");
    EXPECT_EQ(store.get("Note", "none"), "none") << "another section's";

    store.save("Volume", "7");
    store.save("Pitch", "3");
    EXPECT_EQ(readAll(config.settingsFile()),
              head.mid(3) +
                  "[Hushwave]\nVolume=7\nWindows%20Startup=On\nKept=\"a,b\" ; note\nPitch=3\n"
                  "[Hushwave]\n" +
                  tail);
    IniSettingsStore fresh;
    EXPECT_EQ(fresh.get("Volume", ""), "7");
    EXPECT_EQ(fresh.get("Pitch", ""), "3");

    // A change by someone else is read at the next get.
    writeAll(config.settingsFile(), "[Hushwave]\nVolume=8\n");
    EXPECT_EQ(store.get("Volume", ""), "8");
    EXPECT_EQ(store.get("Pitch", "absent"), "absent");
}

TEST(SettingsStore, AFileOfGarbageReadsAsDefaultsAndIsRepairedByTheNextSave)
{
    TempConfig config;
    QByteArray garbage("\x00\xff\xfe[Hushwave\nVolume=\x01\x02\n==\n", 24);
    garbage += QByteArray(100000, 'x');
    writeAll(config.settingsFile(), garbage);

    IniSettingsStore store;
    EXPECT_EQ(store.get("StartStopState", "OFF"), "OFF");
    store.save("StartStopState", "ON");
    EXPECT_EQ(IniSettingsStore().get("StartStopState", "OFF"), "ON");
    // The damaged file is kept beside the new one, as it was.
    EXPECT_EQ(readAll(config.settingsFile() + ".bad"), garbage);
}

// Each damaged file found is kept under a name of its own, up to ten; then
// saves fail rather than write over a kept copy.
TEST(SettingsStore, DamagedFilesAreKeptSideBySideAndNoneIsWrittenOver)
{
    TempConfig config;
    RecordingErrorReport errors;
    IniSettingsStore store;
    store.setErrorReport(&errors);
    const QString path = config.settingsFile();
    const auto damaged = [](int n) {
        return QByteArray("\xff\xfe[Hush", 8) + QByteArray::number(n);
    };
    QStringList kept;
    for (int n = 0; n < IniSettingsStore::kKeptCopies; ++n) {
        writeAll(path, damaged(n));
        store.save("Volume", QString::number(n + 1));
        kept << path + ".bad" + (n == 0 ? QString() : "." + QString::number(n));
        EXPECT_EQ(IniSettingsStore().get("Volume", ""), QString::number(n + 1));
        ASSERT_EQ(errors.notices.size(), n + 1);
        EXPECT_TRUE(errors.notices.last().contains(kept.last() + ".")) << n;
    }
    for (int n = 0; n < kept.size(); ++n)
        EXPECT_EQ(readAll(kept[n]), damaged(n)) << kept[n].toStdString();

    writeAll(path, damaged(99));
    EXPECT_THROW(store.save("Volume", "99"), SaveFailure);
    EXPECT_EQ(readAll(path), damaged(99));
    EXPECT_FALSE(QFile::exists(path + ".bad.10"));
    EXPECT_EQ(errors.notices.size(), IniSettingsStore::kKeptCopies);
}

TEST(SettingsStore, AHandEditedListValueReadsBackAsItsText)
{
    TempConfig config;
    writeAll(config.settingsFile(), "[Hushwave]\nOption=Infinite, Timed\n");
    EXPECT_EQ(IniSettingsStore().get("Option", "Infinite"), "Infinite,Timed");
}

// The first failed save of a run is told; later ones are not, and every
// change waits to be written with the next save that works.
TEST(SettingsStore, AFailedSaveIsToldOnceAndItsChangeIsWrittenByTheNextSaveThatWorks)
{
    TempConfig config;
    IniSettingsStore store;
    store.save("Volume", "37");
    const QByteArray before = readAll(config.settingsFile());

    const auto everyone = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                          QFileDevice::ReadOther | QFileDevice::ExeOther;
    QFile::setPermissions(QFileInfo(config.home()).path(), everyone);
    QFile::setPermissions(config.home(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                             QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::setPermissions(config.settingsFile(), QFileDevice::ReadOwner | QFileDevice::ReadOther);
    {
        WithoutRootAccess asUser;
        try {
            store.save("Volume", "99");
            ADD_FAILURE() << "the save claimed success";
        } catch (const Failure& failure) {
            EXPECT_TRUE(failure.description().contains("Volume")) << failure.what();
            EXPECT_TRUE(failure.description().contains("not writable")) << failure.what();
        }
        EXPECT_NO_THROW(store.save("Combo1", "2")) << "told once a run";
        EXPECT_EQ(readAll(config.settingsFile()), before);
        // What the window shows is what the store answers.
        EXPECT_EQ(store.get("Volume", "50"), "99");
    }
    QFile::setPermissions(config.home(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(config.settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    store.save("Pitch", "3");
    IniSettingsStore fresh;
    EXPECT_EQ(fresh.get("Volume", ""), "99");
    EXPECT_EQ(fresh.get("Combo1", ""), "2");
    EXPECT_EQ(fresh.get("Pitch", ""), "3");
}

TEST(SettingsStore, AnEmptyLockLeftByAKilledWriterDoesNotHoldUpTheSave)
{
    TempConfig config;
    IniSettingsStore store;
    store.save("Volume", "37");
    writeAll(config.settingsFile() + ".lock", "");
    QFile lock(config.settingsFile() + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime);
    lock.close();

    QElapsedTimer timer;
    timer.start();
    store.save("Volume", "38");
    // Qt would wait out its 30 s stale-lock time; the UI thread must not.
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_EQ(IniSettingsStore().get("Volume", ""), "38");
}

TEST(SettingsStore, AFolderThatCannotBeMadeFailsTheSave)
{
    TempConfig config;
    writeAll(config.home() + "/blocker", "a file where a folder should be");
    qputenv("XDG_CONFIG_HOME", (config.home() + "/blocker/config").toUtf8());
    EXPECT_THROW(IniSettingsStore().save("Volume", "1"), Failure);
}

} // namespace
