// The load step's calls into appearance, start at logon and the tray.
#include "support/Files.h"
#include "support/FormHarness.h"
#include "support/TempConfig.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QRadioButton>

namespace
{

QColor background(const QWidget* w)
{
    return w->palette().color(QPalette::Window);
}

TEST(LoadIntegration, WithoutOptionalFilesTheWindowIsWhiteAndNothingIsReported)
{
    FormHarness h;
    h.addSounds({"A.mp3"});
    Form1& f = h.load();
    EXPECT_TRUE(h.errors.entries.empty());
    for (const QWidget* w :
         std::initializer_list<const QWidget*>{&f, f.Frame1, f.Option1, f.Check4})
        EXPECT_EQ(background(w), QColor(Qt::white));
    EXPECT_FALSE(f.pointer->hasMouseIcon());
}

TEST(LoadIntegration, ASkinThatCannotLoadIsReportedAt104AndTheColoursStayChanged)
{
    FormHarness h;
    h.addSounds({"A.mp3"});
    writeAll(h.folder() + "/x/o.cjs", "");
    Form1& f = h.load();
    EXPECT_EQ(h.errors.lines(), std::vector<int>{104});
    EXPECT_NE(background(&f), QColor(Qt::white));
    EXPECT_EQ(f.Combo1->count(), 1); // the load went on
}

TEST(LoadIntegration, AHandCursorIsLoadedAndAFileThatIsNotOneIsReportedAt108)
{
    FormHarness good;
    good.addSounds({"A.mp3"});
    const QString shipped = qEnvironmentVariable("HUSHWAVE_PROGRAM_DIR") + "/HAND-M.CUR";
    ASSERT_TRUE(QFile::copy(shipped, good.folder() + "/HAND-M.CUR")) << shipped.toStdString();
    good.load();
    EXPECT_TRUE(good.errors.entries.empty());
    EXPECT_TRUE(good.form->pointer->hasMouseIcon());

    FormHarness bad;
    bad.addSounds({"A.mp3"});
    writeAll(bad.folder() + "/HAND-M.CUR", "GIF89a not a cursor");
    bad.load();
    EXPECT_EQ(bad.errors.lines(), std::vector<int>{108});
    EXPECT_FALSE(bad.form->pointer->hasMouseIcon());
}

TEST(LoadIntegration, LoadingWithStartAtLogonOnWritesNoEntry)
{
    TempConfig config;
    FormHarness h;
    h.addSounds({"A.mp3"});
    h.settings.values = {{"Windows Startup", "On"}};
    Form1& f = h.load();
    EXPECT_TRUE(f.Check4->isChecked());
    EXPECT_TRUE(QDir(config.home() + "/autostart").entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(config.system() + "/autostart").entryList(QDir::Files).isEmpty());

    // A click afterwards does write it, and unchecking takes Check8 along.
    f.Check8->setChecked(true);
    f.Check4->click();
    EXPECT_FALSE(f.Check4->isChecked());
    EXPECT_FALSE(f.Check8->isChecked());
    EXPECT_TRUE(f.Check8->isHidden());
    EXPECT_EQ(h.settings.values.value("Minimized"), "Off");
    f.Check4->click();
    EXPECT_EQ(h.settings.values.value("Windows Startup"), "On");
    const QStringList entries = QDir(config.system() + "/autostart").entryList(QDir::Files) +
                                QDir(config.home() + "/autostart").entryList(QDir::Files);
    EXPECT_EQ(entries.size(), 1);
}

} // namespace
