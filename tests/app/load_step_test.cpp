#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>

namespace
{

QStringList items(const QComboBox* list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->itemText(i);
    return result;
}

TEST(LoadStep, FirstStartWithAnEmptyStore)
{
    FormHarness h;
    h.addSounds({"Brown.mp3", "Pink.mp3", "White.mp3"});
    Form1& f = h.load();

    EXPECT_TRUE(h.errors.entries.empty());
    EXPECT_EQ(items(f.Combo1), QStringList({"White", "Pink", "Brown"}));
    EXPECT_EQ(f.Combo1->currentText(), "White");
    EXPECT_EQ(f.Slider1->value(), 50);
    EXPECT_EQ(f.Slider2->value(), 1);
    EXPECT_FALSE(f.Check4->isChecked());
    EXPECT_FALSE(f.Check8->isChecked());
    EXPECT_EQ(f.DTPicker1->dateTime(), h.clock.now());
    EXPECT_EQ(f.DTPicker2->dateTime(), h.clock.now());
    EXPECT_TRUE(f.Option1->isChecked());
    EXPECT_FALSE(f.Option2->isChecked());
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_FALSE(f.loading());
    EXPECT_EQ(f.windowTitle(), "Hushwave");
    // Every size of the icon was read.
    EXPECT_EQ(f.windowIcon().availableSizes(),
              QList<QSize>({QSize(32, 32), QSize(48, 48), QSize(128, 128), QSize(256, 256)}));
    EXPECT_EQ(QCoreApplication::applicationName(), "Hushwave");
    EXPECT_TRUE(f.cSysTray1.InTray());
    EXPECT_EQ(f.cSysTray1.TrayTip(), "Hushwave");
    EXPECT_FALSE(f.windowState() & Qt::WindowMinimized);

    // The handlers the load step runs write their keys back.
    EXPECT_EQ(h.settings.values.value("Combo1"), "0");
    EXPECT_EQ(h.settings.values.value("Option"), "Infinite");
    EXPECT_EQ(h.settings.values.value("Pitch"), "1");
    // The player gets the volume and rate, loop mode on, and never a file.
    EXPECT_EQ(h.player.volume, 50);
    EXPECT_EQ(h.player.rate, 1.0);
    EXPECT_TRUE(h.player.loop);
    EXPECT_TRUE(h.player.lastPath.isEmpty());
}

TEST(LoadStep, StoredChoicesComeBack)
{
    FormHarness h;
    h.addSounds({"A.mp3", "B.mp3", "C.mp3"});
    h.settings.values = {{"Combo1", "2"},
                         {"Volume", "37"},
                         {"Pitch", "2"},
                         {"Windows Startup", "On"},
                         {"Option", "Timed"},
                         {"StartStopState", "ON"},
                         {"Time From", "12/6/2026 9:15:00 PM"},
                         {"Time To", "12/7/2026"},
                         {"Minimized", "On"}};
    Form1& f = h.load();

    EXPECT_TRUE(h.errors.entries.empty());
    EXPECT_EQ(f.Combo1->currentText(), "A");
    EXPECT_EQ(f.Slider1->value(), 37);
    EXPECT_EQ(h.player.volume, 37);
    EXPECT_EQ(h.player.rate, 2.0);
    EXPECT_TRUE(f.Check4->isChecked());
    EXPECT_TRUE(f.Check8->isChecked());
    EXPECT_TRUE(f.Option2->isChecked());
    EXPECT_FALSE(f.Option1->isChecked());
    EXPECT_EQ(f.DTPicker1->dateTime(), QDateTime(QDate(2026, 12, 6), QTime(21, 15)));
    EXPECT_EQ(f.DTPicker2->time(), QTime(0, 0));
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    EXPECT_TRUE(f.Timer1->isActive());
    // Armed, but nothing is heard before the first tick.
    EXPECT_TRUE(h.player.lastPath.isEmpty());
    EXPECT_EQ(h.settings.values.value("Option"), "Timed");
}

TEST(LoadStep, FlagsAreComparedExactly)
{
    for (const QString other : {"on", "ON", "", "Off"}) {
        FormHarness h;
        h.addSounds({"A.mp3"});
        h.settings.values = {{"Windows Startup", other},
                             {"StartStopState", "On"},
                             {"Option", "infinite"},
                             {"Minimized", other}};
        Form1& f = h.load();
        EXPECT_FALSE(f.Check4->isChecked()) << other.toStdString();
        EXPECT_FALSE(f.Check8->isChecked());
        EXPECT_EQ(f.PushButton2->text(), "Turn On");
        EXPECT_FALSE(f.Timer1->isActive());
        EXPECT_TRUE(f.Option2->isChecked());
        EXPECT_EQ(h.settings.values.value("Option"), "Timed");
    }
}

TEST(LoadStep, ABadStyleIndexIsReportedAtLine140AndTheLoadGoesOn)
{
    for (const QString stored : {"abc", "3", "-2", "99999"}) {
        FormHarness h;
        h.addSounds({"A.mp3", "B.mp3", "C.mp3"});
        h.settings.values = {{"Combo1", stored}, {"Volume", "70.5"}};
        Form1& f = h.load();
        ASSERT_EQ(h.errors.lines(), std::vector<int>{140}) << stored.toStdString();
        EXPECT_EQ(h.errors.entries[0].location, "in Hushwave2021/08/31.Form1.Form_Load ");
        EXPECT_EQ(f.Combo1->currentIndex(), -1);
        EXPECT_EQ(f.Slider1->value(), 70);
        EXPECT_EQ(h.settings.values.value("Combo1"), stored); // left as it was
        EXPECT_FALSE(f.loading());
    }
}

TEST(LoadStep, AnEmptyOrMissingSoundLibraryGivesOneReport)
{
    FormHarness missing;
    missing.load();
    EXPECT_EQ(missing.errors.lines(), std::vector<int>{140});

    FormHarness empty;
    empty.addSounds({});
    Form1& f = empty.load();
    EXPECT_EQ(empty.errors.lines(), std::vector<int>{140});
    EXPECT_EQ(f.Combo1->count(), 0);
    EXPECT_FALSE(f.loading());
}

TEST(LoadStep, AFailingFileListIsReportedWhereEachStatementFails)
{
    FormHarness h;
    Form1& f = h.load(
        [](const QString&, const QString&) -> QStringList { throw Failure("Path not found"); });
    EXPECT_EQ(h.errors.lines(), std::vector<int>({132, 134, 136, 140}));
    EXPECT_EQ(h.errors.entries[0].description, "Path not found");
    EXPECT_EQ(f.Combo1->count(), 0);
    EXPECT_EQ(f.Slider2->value(), 1); // the load went on
    EXPECT_FALSE(f.loading());
}

// A refused volume plays at the value the slider shows; a refused pitch
// plays at normal speed, not at the hidden slider's design value of 50.
TEST(LoadStep, ValuesTheSlidersRefuseAreReportedAndThePlayerGetsWhatTheWindowMeans)
{
    for (const QString pitch : {"51", "", "abc", "0"}) {
        SCOPED_TRACE(pitch.toStdString());
        FormHarness h;
        h.addSounds({"A.mp3"});
        h.settings.values = {{"Volume", "abc"}, {"Pitch", pitch}, {"Time From", "not a time"}};
        Form1& f = h.load();
        EXPECT_EQ(h.errors.lines(), std::vector<int>({142, 144, 162}));
        EXPECT_EQ(f.Slider1->value(), 50);
        EXPECT_EQ(h.player.volume, 50);
        EXPECT_EQ(h.player.rate, 1.0);
        EXPECT_EQ(f.Slider2->value(), 1);
        EXPECT_EQ(h.settings.values.value("Pitch"), pitch); // left as it was
    }
}

TEST(LoadStep, AFailingStoreIsReportedByTheStatementWhoseHandlerWrites)
{
    FormHarness h;
    h.addSounds({"A.mp3"});
    h.settings.failSaves = true;
    Form1& f = h.load();
    // 140 (Combo1 written back), 144 (Pitch), 162/164 (the pickers keep the
    // same second, so no write), 172 (Option1's handler).
    EXPECT_EQ(h.errors.lines(), std::vector<int>({140, 144, 172}));
    EXPECT_TRUE(h.errors.entries[0].description.contains("Combo1"));
    EXPECT_FALSE(f.loading());
}

TEST(LoadStep, TheUsersOwnSoundsFollowTheProgramsAndPlayFromWhereTheyWere)
{
    FormHarness h;
    QTemporaryDir data;
    h.userFolder = data.path() + "/hushwave";
    h.addSounds({"Brown.mp3", "White.mp3"});
    h.settings.values = {{"Combo1", "1"}};
    Form1& first = h.load();
    // Made at the first start, empty: the list is the program folder's alone.
    EXPECT_TRUE(QFileInfo(h.userFolder + "/sounds").isDir());
    EXPECT_EQ(items(first.Combo1), QStringList({"White", "Brown"}));

    for (const char* name : {"Rain.mp3", "White.mp3", "notes.txt"})
        QFile(h.userFolder + "/sounds/" + name).open(QIODevice::WriteOnly);
    Form1& f = h.load();
    EXPECT_TRUE(h.errors.entries.empty());
    EXPECT_EQ(items(f.Combo1), QStringList({"White", "Brown", "White", "Rain", "notes.txt"}));
    EXPECT_EQ(f.Combo1->currentText(), "Brown"); // the stored index means what it did

    f.PushButton1->click();
    EXPECT_EQ(h.player.lastPath, h.folder() + "/sounds/Brown.mp3");
    f.PushButton1->click();
    f.Combo1->setCurrentIndex(2);
    f.PushButton1->click();
    EXPECT_EQ(h.player.lastPath, h.userFolder + "/sounds/White.mp3");
}

} // namespace
