// The whole window loading from a settings file that is damaged, enormous or
// unreadable: it must come up, show defaults or say clearly what failed, and
// the next save must either work or fail with a report.
#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "support/Fakes.h"
#include "support/Files.h"
#include "support/SystemBackEnds.h"
#include "support/TempConfig.h"
#include "support/WithoutRootAccess.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <random>
#include <sys/mount.h>
#include <unistd.h>

namespace
{

// The real store in a temporary config folder, a program folder with two
// styles, and the window over them.
struct Window {
    TempConfig config;
    QTemporaryDir programDir;
    IniSettingsStore settings;
    RecordingPlayer player;
    RecordingErrorReport errors;
    FakeClock clock;
    SystemBackEnds backEnds;
    std::unique_ptr<Form1> form;

    Window()
    {
        settings.setErrorReport(&errors);
        QDir(programDir.path()).mkpath("sounds");
        for (const char* name : {"Brown.mp3", "White.mp3"}) {
            QFile file(programDir.path() + "/sounds/" + name);
            file.open(QIODevice::WriteOnly);
        }
    }
    Form1& load()
    {
        form = std::make_unique<Form1>(
            PlaybackServices{settings, player, errors, clock, programDir.path()}, backEnds.get());
        form->Form_Load();
        return *form;
    }
    // What a fresh start would read, through a QSettings of its own.
    QString stored(const QString& key) const { return IniSettingsStore().get(key, "<absent>"); }
    QSettings::Status fileStatus() const
    {
        QSettings file(config.settingsFile(), QSettings::IniFormat);
        file.value("Hushwave/Option");
        return file.status();
    }
};

QByteArray randomBytes(int size, unsigned seed)
{
    std::mt19937 random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes)
        b = char(random());
    return bytes;
}

QByteArray utf16File(const QString& text)
{
    QByteArray bytes("\xff\xfe", 2);
    for (QChar ch : text) {
        bytes += char(ch.unicode() & 0xff);
        bytes += char(ch.unicode() >> 8);
    }
    return bytes;
}

TEST(DamagedSettingsFile, TheWindowComesUpAndTheFirstClickLeavesAFileThatReadsBack)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        bool unparsable; // so it must be kept aside as it was
    };
    const std::vector<Case> cases = {
        {"random bytes", randomBytes(64 * 1024, 7), true},
        {"NUL and high bytes in a value",
         QByteArray("[Hushwave]\nVolume=7") + QByteArray("\0\x80\xff", 3) + "\nStartStopState=ON\n",
         false},
        {"cut off in a section name", "[Hushwave]\nVolume=30\n[Hushw", false},
        {"saved as UTF-16 by an editor",
         utf16File("[Hushwave]\r\nStartStopState=ON\r\nVolume=30\r\n"), true},
        {"only line breaks", QByteArray(100000, '\n'), false},
    };
    for (const auto& [what, bytes, unparsable] : cases) {
        SCOPED_TRACE(what);
        Window w;
        writeAll(w.config.settingsFile(), bytes);
        Form1& f = w.load();
        EXPECT_FALSE(f.loading());
        EXPECT_EQ(f.Combo1->count(), 2);
        for (const auto& e : w.errors.entries)
            ADD_FAILURE() << "reported at " << e.line << ": " << e.description.toStdString();

        // A click stores its key, and a fresh start reads it back from a
        // file that parses.
        const bool wasOn = f.PushButton2->text() == "Turn Off";
        f.PushButton2->click();
        EXPECT_EQ(w.stored("StartStopState"), wasOn ? "OFF" : "ON");
        EXPECT_EQ(w.fileStatus(), QSettings::NoError);
        EXPECT_TRUE(w.errors.entries.empty());
        const QString bad = w.config.settingsFile() + ".bad";
        EXPECT_EQ(QFile::exists(bad), unparsable);
        if (unparsable) {
            EXPECT_EQ(readAll(bad), bytes); // the user's file, byte for byte
            // Told once, in the box, where the old file went.
            ASSERT_EQ(w.errors.notices.size(), 1);
            EXPECT_TRUE(w.errors.notices[0].contains("reset"));
            EXPECT_TRUE(w.errors.notices[0].contains(bad + "."));
        } else {
            EXPECT_TRUE(w.errors.notices.empty());
        }
    }
}

TEST(DamagedSettingsFile, RandomBytesGiveTheFirstStartState)
{
    Window w;
    writeAll(w.config.settingsFile(), randomBytes(64 * 1024, 11));
    Form1& f = w.load();
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Slider1->value(), 50);
    EXPECT_EQ(f.Slider2->value(), 1);
    EXPECT_TRUE(f.Option1->isChecked());
    EXPECT_EQ(f.Combo1->currentText(), "White");
    EXPECT_TRUE(w.errors.entries.empty());
}

// Readable keys before the damage are what the window shows; the repair must
// keep them, or the next start silently forgets the user's choices.
TEST(DamagedSettingsFile, KeysReadBeforeTheDamageSurviveTheRepair)
{
    Window w;
    writeAll(w.config.settingsFile(),
             "[Hushwave]\nVolume=30\nStartStopState=ON\nOption=Timed\n[Hushw");
    Form1& f = w.load();
    EXPECT_EQ(f.Slider1->value(), 30);
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    EXPECT_TRUE(f.Option2->isChecked());
    f.Slider2->setValue(3); // any save

    EXPECT_EQ(w.stored("Volume"), "30");
    EXPECT_EQ(w.stored("StartStopState"), "ON");
    EXPECT_EQ(w.stored("Option"), "Timed");
    EXPECT_EQ(w.stored("Pitch"), "3");
    EXPECT_TRUE(w.errors.entries.empty());
}

TEST(HugeSettingsValue, A10MegabyteValueIsRefusedClearlyAndSavesStillWork)
{
    Window w;
    const QByteArray digits(10 * 1024 * 1024, '5');
    const QByteArray notes(10 * 1024 * 1024, 'n');
    writeAll(w.config.settingsFile(),
             "[Hushwave]\nStartStopState=ON\nVolume=" + digits + "\nNotes=" + notes + "\n");
    QElapsedTimer timer;
    timer.start();
    Form1& f = w.load();
    const qint64 loadMs = timer.elapsed();

    // The volume cannot be held by the slider: one report, and the default.
    ASSERT_EQ(w.errors.lines(), std::vector<int>{142});
    EXPECT_EQ(w.errors.entries[0].description, "Invalid property value");
    EXPECT_EQ(f.Slider1->value(), 50);
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");

    timer.restart();
    f.PushButton2->click();
    const qint64 saveMs = timer.elapsed();
    EXPECT_EQ(w.stored("StartStopState"), "OFF");
    f.Slider1->setValue(40);
    EXPECT_EQ(w.stored("Volume"), "40");
    // A key the program does not know is kept as it was.
    EXPECT_EQ(IniSettingsStore().get("Notes", "").size(), notes.size());
    EXPECT_EQ(w.errors.lines(), std::vector<int>{142});
    std::cout << "[ figures  ] 20 MB settings file: load " << loadMs << " ms, one save " << saveMs
              << " ms\n";
}

TEST(UnreadableSettingsFile, TheWindowShowsDefaultsAndTheFailedSavesAreReportedOnce)
{
    Window w;
    writeAll(w.config.settingsFile(), "[Hushwave]\nStartStopState=ON\nVolume=30\n");
    const QByteArray before = readAll(w.config.settingsFile());
    // The user's own folder, and a file of theirs that nobody may read.
    const uid_t user = 65534;
    ASSERT_EQ(chmod(QFile::encodeName(w.programDir.path()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(QFileInfo(w.config.home()).path()).constData(), 0755), 0);
    ASSERT_EQ(chown(QFile::encodeName(w.config.home()).constData(), user, user), 0);
    ASSERT_EQ(chown(QFile::encodeName(w.config.settingsFile()).constData(), user, user), 0);
    ASSERT_EQ(chmod(QFile::encodeName(w.config.settingsFile()).constData(), 0), 0);
    {
        WithoutRootAccess asUser;
        Form1& f = w.load();
        EXPECT_FALSE(f.loading());
        EXPECT_EQ(f.PushButton2->text(), "Turn On");
        EXPECT_EQ(f.Slider1->value(), 50);
        // Every save the load makes fails: one box, saying why.
        ASSERT_EQ(w.errors.entries.size(), 1u);
        EXPECT_TRUE(w.errors.entries[0].description.contains(w.config.settingsFile()));
        EXPECT_TRUE(w.errors.entries[0].description.contains("not writable"));
        f.PushButton2->click(); // a guarded handler whose save fails again
        f.PushButton2->click();
        EXPECT_EQ(w.errors.entries.size(), 1u);
        EXPECT_TRUE(w.errors.notices.empty());
        EXPECT_EQ(f.PushButton2->text(), "Turn On"); // the clicks themselves went on
    }
    // Nothing was written over the user's file.
    ASSERT_EQ(chmod(QFile::encodeName(w.config.settingsFile()).constData(), 0600), 0);
    EXPECT_EQ(readAll(w.config.settingsFile()), before);
}

// A file the user cannot write after start-up: the slider still moves the
// sound, and the user is told once in the error box, not once per step.
TEST(UnwritableSettingsFile, TheSliderStillMovesTheSoundAndTheUserIsToldOnce)
{
    Window w;
    Form1& f = w.load();
    ASSERT_TRUE(w.errors.entries.empty());
    const QByteArray before = readAll(w.config.settingsFile());
    const QByteArray root = QFile::encodeName(QFileInfo(w.config.home()).path());
    const QByteArray home = QFile::encodeName(w.config.home());
    const QByteArray file = QFile::encodeName(w.config.settingsFile());
    ASSERT_EQ(chmod(root.constData(), 0755), 0);
    ASSERT_EQ(chmod(home.constData(), 0555), 0);
    ASSERT_EQ(chmod(file.constData(), 0444), 0);
    {
        WithoutRootAccess asUser;
        f.Slider1->triggerAction(QAbstractSlider::SliderToMaximum); // End
        EXPECT_EQ(f.Slider1->value(), 100);
        EXPECT_EQ(w.player.volume, 100);
        for (int i = 0; i < 3; ++i)
            f.Slider1->triggerAction(QAbstractSlider::SliderSingleStepSub);
        EXPECT_EQ(w.player.volume, 97);
        f.Combo1->setCurrentIndex(1);
        emit f.Combo1->activated(1);

        ASSERT_EQ(w.errors.notices.size(), 1);
        EXPECT_TRUE(w.errors.notices[0].contains(w.config.settingsFile()));
        EXPECT_TRUE(w.errors.notices[0].contains("not writable"));
        EXPECT_TRUE(w.errors.entries.empty());
    }
    ASSERT_EQ(chmod(home.constData(), 0700), 0);
    EXPECT_EQ(readAll(w.config.settingsFile()), before);
}

TEST(UnreadableSettingsFile, AFolderWhereTheFileShouldBeIsReportedNotFatal)
{
    Window w;
    QDir().mkpath(w.config.settingsFile());
    Form1& f = w.load();
    EXPECT_FALSE(f.loading());
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    ASSERT_EQ(w.errors.entries.size(), 1u);
    EXPECT_TRUE(w.errors.entries[0].description.contains("Tarnwell.ini is a folder"))
        << w.errors.entries[0].description.toStdString();
    f.PushButton2->click();
    EXPECT_EQ(w.errors.entries.size(), 1u);
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    EXPECT_TRUE(QFileInfo(w.config.settingsFile()).isDir());
}

// A real full disk (a 64 KiB tmpfs) under the settings: one box naming it,
// the window goes on, and what was changed meanwhile is written once there is
// room again.
TEST(FullDisk, OneBoxSaysNoSpaceAndTheChangesAreWrittenWhenThereIsRoomAgain)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small disk needs root";
    Window w;
    const QByteArray home = QFile::encodeName(w.config.home());
    ASSERT_EQ(mount("tmpfs", home.constData(), "tmpfs", 0, "size=64k"), 0) << strerror(errno);
    struct Unmount {
        QByteArray at;
        ~Unmount() { umount2(at.constData(), MNT_DETACH); }
    } unmount{home};

    Form1& f = w.load();
    ASSERT_TRUE(w.errors.entries.empty());
    QFile filler(w.config.home() + "/filler");
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    filler.close();

    f.PushButton2->click(); // Turn On: guarded, so a report with its line
    ASSERT_EQ(w.errors.entries.size(), 1u);
    EXPECT_TRUE(w.errors.entries[0].description.contains("no space left"))
        << w.errors.entries[0].description.toStdString();
    f.Combo1->setCurrentIndex(1);
    emit f.Combo1->activated(1);
    f.Slider1->setValue(80);
    f.PushButton2->click();
    f.PushButton2->click();
    EXPECT_EQ(w.errors.entries.size(), 1u);
    EXPECT_TRUE(w.errors.notices.empty());
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    EXPECT_EQ(w.player.volume, 80);
    EXPECT_EQ(w.stored("Combo1"), "0");

    ASSERT_TRUE(filler.remove());
    f.Option2->click(); // the next save that works writes them all
    EXPECT_EQ(w.stored("Combo1"), "1");
    EXPECT_EQ(w.stored("Volume"), "80");
    EXPECT_EQ(w.stored("StartStopState"), "ON");
    EXPECT_EQ(w.stored("Option"), "Timed");
    EXPECT_EQ(w.errors.entries.size(), 1u);
}

} // namespace
