#include "app/appearance/Appearance.h"
#include "app/appearance/SkinFramework.h"
#include "common/Guard.h"
#include "MiniForm.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

QColor background(const QWidget* w)
{
    return w->palette().color(QPalette::Window);
}

class SkinTest : public ::testing::Test
{
protected:
    ~SkinTest() override { qApp->setStyleSheet(QString()); }

    void writeSkin(const QByteArray& bytes)
    {
        QDir(folder.path()).mkpath("x");
        QFile f(folder.path() + "/x/o.cjs");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Statement 104 of the load step, as Form1 runs it.
    void applyAsTheLoadStepDoes()
    {
        Guard guard(report, Location::FormLoad);
        guard(104, [&] { ApplySkin(form.window, folder.path(), skin); });
    }

    void expectColours(const QColor& colour)
    {
        EXPECT_EQ(background(&form.window), colour);
        for (QWidget* w : form.facedControls())
            EXPECT_EQ(background(w), colour) << w->metaObject()->className();
    }

    QTemporaryDir folder;
    MiniForm form;
    SkinFramework skin;
    RecordingErrorReport report;
};

TEST_F(SkinTest, WithoutTheSkinFileTheWindowStaysWhite)
{
    applyAsTheLoadStepDoes();
    EXPECT_TRUE(report.entries.empty());
    expectColours(Qt::white);
    EXPECT_FALSE(skin.isLoaded());
    EXPECT_TRUE(form.window.styleSheet().isEmpty());

    // A folder where the file should be is no skin either.
    QDir(folder.path()).mkpath("x/o.cjs");
    applyAsTheLoadStepDoes();
    EXPECT_TRUE(report.entries.empty());
    expectColours(Qt::white);
}

TEST_F(SkinTest, ASkinColoursTheWindowAndAppliesTheSheet)
{
    // Make the button face something other than white, as a desktop theme may.
    QPalette system = QGuiApplication::palette();
    system.setColor(QPalette::Button, QColor(0xd4, 0xd0, 0xc8));
    QApplication::setPalette(system);
    const QByteArray sheet = "QPushButton { color: #123456; }\n";
    writeSkin(sheet);

    applyAsTheLoadStepDoes();

    EXPECT_TRUE(report.entries.empty());
    expectColours(QColor(0xd4, 0xd0, 0xc8));
    // The rest paint no background of their own, and still do not.
    for (QWidget* w : form.otherControls())
        EXPECT_FALSE(w->autoFillBackground()) << w->metaObject()->className();
    EXPECT_EQ(form.window.styleSheet(), QString::fromUtf8(sheet));
    EXPECT_EQ(qApp->styleSheet(), QString::fromUtf8(sheet));
    EXPECT_TRUE(skin.flags() & SkinFramework::Enabled);
    EXPECT_TRUE(form.pushButton1->testAttribute(Qt::WA_Hover));
    form.window.ensurePolished();
    form.pushButton1->ensurePolished();
    EXPECT_EQ(form.pushButton1->palette().color(QPalette::ButtonText), QColor(0x12, 0x34, 0x56));
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
        MiniForm fresh;
        SkinFramework component;
        RecordingErrorReport reports;
        writeSkin(bytes);
        Guard guard(reports, Location::FormLoad);
        guard(104, [&] { ApplySkin(fresh.window, folder.path(), component); });

        ASSERT_EQ(reports.lines(), std::vector<int>{104}) << bytes.toHex().constData();
        EXPECT_EQ(reports.entries[0].location, Location::FormLoad);
        // The colours were changed before the load failed, and stay changed.
        EXPECT_EQ(background(&fresh.window), buttonFaceColour());
        EXPECT_EQ(background(fresh.check8), buttonFaceColour());
        EXPECT_FALSE(component.isLoaded());
        EXPECT_TRUE(fresh.window.styleSheet().isEmpty());
    }
}

TEST_F(SkinTest, TheComponentRefusesWhatItCannotUse)
{
    EXPECT_THROW(skin.loadSkin(folder.path() + "/missing.cjs", QString()), Failure);
    EXPECT_THROW(skin.applyTo(form.window), Failure); // nothing loaded
    writeSkin("QLabel { color: blue; }");
    EXPECT_THROW(skin.loadSkin(folder.path() + "/x/o.cjs", "Normal"), Failure);

    // Loaded but not enabled: the window is left alone.
    skin.loadSkin(folder.path() + "/x/o.cjs", QString());
    skin.applyTo(form.window);
    EXPECT_TRUE(form.window.styleSheet().isEmpty());
    skin.setFlags(skin.flags() | SkinFramework::Enabled);
    skin.applyTo(form.window);
    EXPECT_EQ(form.window.styleSheet(), "QLabel { color: blue; }");
    EXPECT_TRUE(qApp->styleSheet().isEmpty()); // dialogs only when asked
}

TEST_F(SkinTest, TheSampleSkinParses)
{
    QFile sample(qEnvironmentVariable("HUSHWAVE_SOURCE_DIR") + "/resources/skins/dusk.cjs");
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly)) << qPrintable(sample.fileName());
    writeSkin(sample.readAll());

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { warnings << text; });
    applyAsTheLoadStepDoes();
    form.window.show();
    for (QWidget* w : form.window.findChildren<QWidget*>())
        w->ensurePolished();
    QApplication::processEvents();
    qInstallMessageHandler(previous);

    EXPECT_TRUE(report.entries.empty());
    EXPECT_TRUE(warnings.filter("parse", Qt::CaseInsensitive).isEmpty())
        << qPrintable(warnings.join('\n'));
    EXPECT_EQ(form.pushButton2->palette().color(QPalette::Button), QColor(0x2f, 0x34, 0x40));
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
