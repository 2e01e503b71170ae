#include "app/appearance/Appearance.h"
#include "app/appearance/SkinFramework.h"
#include "common/Failure.h"
#include "common/Guard.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>

namespace
{

QColor background(const QWidget* w)
{
    return w->palette().color(QPalette::Window);
}

// The controls the skin gives the button-face colour, and the rest.
std::vector<QWidget*> facedControls(const Form1& f)
{
    return {f.Frame1, f.Option1, f.Option2, f.Label1, f.Frame2,
            f.Frame3, f.Frame4,  f.Check4,  f.Check8, f.Label2};
}

std::vector<QWidget*> otherControls(const Form1& f)
{
    return {f.PushButton1, f.PushButton2, f.DTPicker1, f.DTPicker2, f.Combo1, f.Slider1, f.Slider2};
}

void writeSkin(const QString& folder, const QByteArray& bytes)
{
    QDir(folder).mkpath("x");
    QFile f(folder + "/x/o.cjs");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The window after its load step, which applies the skin at statement 104;
// a sound is there so that nothing else is reported.
class SkinTest : public ::testing::Test
{
protected:
    ~SkinTest() override { qApp->setStyleSheet(QString()); }

    QString folder() const { return h.folder(); }

    Form1& load()
    {
        h.addSounds({"Rain.mp3"});
        return h.load();
    }

    void expectColours(const QColor& colour)
    {
        EXPECT_EQ(background(h.form.get()), colour);
        for (QWidget* w : facedControls(*h.form))
            EXPECT_EQ(background(w), colour) << w->metaObject()->className();
    }

    FormHarness h;
};

TEST_F(SkinTest, WithoutTheSkinFileTheWindowStaysWhite)
{
    Form1& form = load();
    EXPECT_TRUE(h.errors.entries.empty());
    expectColours(Qt::white);
    EXPECT_FALSE(form.SkinFramework1.isLoaded());
    EXPECT_TRUE(form.styleSheet().isEmpty());
}

TEST_F(SkinTest, AFolderWhereTheSkinFileShouldBeIsNoSkin)
{
    QDir(folder()).mkpath("x/o.cjs");
    Form1& form = load();
    EXPECT_TRUE(h.errors.entries.empty());
    expectColours(Qt::white);
    EXPECT_FALSE(form.SkinFramework1.isLoaded());
}

TEST_F(SkinTest, ASkinColoursTheWindowAndAppliesTheSheet)
{
    // Make the button face something other than white, as a desktop theme may.
    QPalette system = QGuiApplication::palette();
    system.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
    QApplication::setPalette(system);
    const QByteArray sheet = "QPushButton { color: #123456; }\n";
    writeSkin(folder(), sheet);

    Form1& form = load();

    EXPECT_TRUE(h.errors.entries.empty());
    expectColours(QColor(0xd4, 0xd0, 0xc8));
    // The rest paint no background of their own, and still do not.
    for (QWidget* w : otherControls(form))
        EXPECT_FALSE(w->autoFillBackground()) << w->metaObject()->className();
    EXPECT_EQ(form.styleSheet(), QString::fromUtf8(sheet));
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));
    EXPECT_TRUE(form.SkinFramework1.flags() & SkinFramework::Enabled);
    EXPECT_TRUE(form.PushButton1->testAttribute(Qt::WA_Hover));
    form.ensurePolished();
    form.PushButton1->ensurePolished();
    EXPECT_EQ(form.PushButton1->palette().color(QPalette::ButtonText), QColor(0x12, 0x34, 0x56));
    QApplication::setPalette(QPalette());
}

TEST_F(SkinTest, ASkinTheComponentCannotLoadIsOneReportAfterTheColours)
{
    const QList<QByteArray> unloadable = {
        QByteArray(),                         // empty
        "  \n\t\n",                           // nothing but blanks
        "QWidget { color: red; } \xff\xfe\n", // not UTF-8
        QByteArray("QWidget {}\0\0", 12),     // binary
    };
    for (const QByteArray& bytes : unloadable) {
        FormHarness fresh;
        fresh.addSounds({"Rain.mp3"});
        writeSkin(fresh.folder(), bytes);
        Form1& form = fresh.load();

        ASSERT_EQ(fresh.errors.lines(), std::vector<int>{104}) << bytes.toHex().constData();
        EXPECT_EQ(fresh.errors.entries[0].location, Location::FormLoad);
        // The colours were changed before the load failed, and stay changed.
        EXPECT_EQ(background(&form), buttonFaceColour());
        EXPECT_EQ(background(form.Check8), buttonFaceColour());
        EXPECT_FALSE(form.SkinFramework1.isLoaded());
        EXPECT_TRUE(form.styleSheet().isEmpty());
    }
}

TEST(SkinFramework, TheComponentRefusesWhatItCannotUse)
{
    QTemporaryDir folder;
    QWidget window;
    SkinFramework skin;
    EXPECT_THROW(skin.loadSkin(folder.path() + "/missing.cjs", QString()), Failure);
    EXPECT_THROW(skin.applyTo(window), Failure); // nothing loaded
    writeSkin(folder.path(), "QLabel { color: blue; }");
    EXPECT_THROW(skin.loadSkin(folder.path() + "/x/o.cjs", "Normal"), Failure);

    // Loaded but not enabled: the window is left alone.
    skin.loadSkin(folder.path() + "/x/o.cjs", QString());
    skin.applyTo(window);
    EXPECT_TRUE(window.styleSheet().isEmpty());
    skin.setFlags(skin.flags() | SkinFramework::Enabled);
    skin.applyTo(window);
    EXPECT_EQ(window.styleSheet(), "QLabel { color: blue; }");
    EXPECT_TRUE(qApp->styleSheet().isEmpty()); // dialogs only when asked
}

TEST_F(SkinTest, TheSampleSkinParses)
{
    QFile sample(qEnvironmentVariable("HUSHWAVE_SOURCE_DIR") + "/resources/skins/dusk.cjs");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly)) << qPrintable(sample.fileName());
    writeSkin(folder(), sample.readAll());

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });
    Form1& form = load();
    form.show();
    for (QWidget* w : form.findChildren<QWidget*>())
        w->ensurePolished();
    QApplication::processEvents();
    qInstallMessageHandler(previous);

    EXPECT_TRUE(h.errors.entries.empty());
    EXPECT_TRUE(warnings.filter("parse", Qt::CaseInsensitive).isEmpty())
        << qPrintable(warnings.join('\n'));
    EXPECT_EQ(form.PushButton2->palette().color(QPalette::Button), QColor(0x2f, 0x34, 0x40));
}

TEST(PathExists, TrueWhenTheModificationTimeCanBeRead)
{
    QTemporaryDir dir;
    QFile f(dir.path() + "/HAND-M.CUR");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(PathExists(dir.path() + "/HAND-M.CUR"));
    EXPECT_TRUE(PathExists(dir.path()));                  // a folder has a time too
    EXPECT_FALSE(PathExists(dir.path() + "/hand-m.cur")); // names are exact
    EXPECT_FALSE(PathExists(dir.path() + "/no/such/HAND-M.CUR"));
    EXPECT_FALSE(PathExists(QString()));
    EXPECT_FALSE(PathExists(QString::fromLatin1("bad\0path", 8)));
}

} // namespace
