#include "common/Guard.h"
#include "RecordingShell.h"
#include "support/Fakes.h"
#include "tray/MinimizeToTray.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace
{

// A window that closes the way the main window does.
class ClosingWindow : public QWidget
{
public:
    MinimizeToTray* tray = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (tray)
            tray->Form_QueryUnload();
        event->accept();
    }
};

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class Minimize : public ::testing::Test
{
protected:
    RecordingShell shell;
    MemorySettingsStore settings;
    RecordingErrorReport report;
    bool trayHost = true;
    ClosingWindow form;
    QCheckBox* Check8 = new QCheckBox("Start in system tray", &form);
    cSysTray cSysTray1{shell};
    MinimizeToTray handlers{form, cSysTray1, Check8, settings, report, [this] { return trayHost; }};

    void SetUp() override
    {
        HiddenInTray = false;
        form.tray = &handlers;
        // Wired as the main window wires them.
        QObject::connect(&cSysTray1, &cSysTray::MouseUp, &handlers,
                         [this](std::int16_t Button, std::int32_t Id) {
                             atQtEdge("cSysTray1_MouseUp",
                                      [&] { handlers.cSysTray1_MouseUp(Button, Id); });
                         });
        QObject::connect(Check8, &QCheckBox::toggled, &handlers,
                         [this] { atQtEdge("Check8_Click", [this] { handlers.Check8_Click(); }); });
        // The shell closes each balloon at once, so waits end without real time.
        shell.closeBalloonsWith = TrayCode::BalloonTimeout;
    }
    void TearDown() override { HiddenInTray = false; }

    // The load step's part and the show that follows it.
    void start()
    {
        handlers.restoreCheck8();
        if (Check8->isChecked())
            handlers.minimizeAtStart();
        cSysTray1.setTrayTip(kTrayTip);
        cSysTray1.setInTray(true);
        settle(); // an error report box during the load step lets events run
        form.show();
        settle();
    }
    void minimize()
    {
        form.setWindowState(form.windowState() | Qt::WindowMinimized);
        settle();
    }
    void release(std::int32_t lParam = TrayCode::LButtonUp)
    {
        sendTrayMessage(cSysTray1.window(), lParam);
        settle();
    }
    bool hiddenInTray() const
    {
        return !form.isVisible() && !(form.windowState() & Qt::WindowMinimized) && HiddenInTray;
    }
};

TEST_F(Minimize, FirstMinimiseHidesTheWindowAndShowsTheBalloonOnce)
{
    start();
    ASSERT_TRUE(form.isVisible());
    EXPECT_FALSE(HiddenInTray);
    EXPECT_EQ(textField(shell.calls.front().data.szTip), "Hushwave");

    minimize();
    EXPECT_TRUE(hiddenInTray());
    ASSERT_EQ(shell.balloons().size(), 1u);
    const NOTIFYICONDATAA balloon = shell.balloons()[0];
    EXPECT_EQ(textField(balloon.szInfoTitle), "Hushwave");
    EXPECT_EQ(textField(balloon.szInfo),
              "has been minimized to the system tray.\r\nClick on the blue 'T' icon "
              "(T for Tarnwell) to bring the software back.");
    EXPECT_EQ(balloon.uTimeout, 5000u);

    release();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
    EXPECT_FALSE(HiddenInTray);

    minimize();
    EXPECT_TRUE(hiddenInTray());
    EXPECT_EQ(shell.balloons().size(), 1u) << "one balloon per run";
}

TEST_F(Minimize, AnyButtonReleaseBringsTheWindowBackAndAPressDoesNot)
{
    start();
    minimize();
    release(TrayCode::RButtonDown);
    release(TrayCode::LButtonDown);
    release(TrayCode::LButtonDblClk);
    release(TrayCode::MouseMove);
    EXPECT_TRUE(hiddenInTray());

    release(TrayCode::RButtonUp);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(HiddenInTray);

    // Shown already: stays shown.
    release(TrayCode::LButtonUp);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}

TEST_F(Minimize, WithoutATrayHostTheWindowStaysMinimisedOnTheTaskBar)
{
    trayHost = false;
    start();
    minimize();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(HiddenInTray);
    EXPECT_TRUE(shell.balloons().empty());

    // A host that appears later is used from the next minimise on.
    trayHost = true;
    form.setWindowState(Qt::WindowNoState);
    settle();
    minimize();
    EXPECT_TRUE(hiddenInTray());
    EXPECT_EQ(shell.balloons().size(), 1u);
}

TEST_F(Minimize, TheIconBringsBackAWindowMinimisedOnTheTaskBar)
{
    trayHost = false;
    start();
    minimize();
    release();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}

TEST_F(Minimize, StartInTheTrayNeverShowsTheWindow)
{
    settings.values["Minimized"] = "On";
    start();
    EXPECT_TRUE(Check8->isChecked());
    EXPECT_EQ(settings.saves, QStringList{"Minimized=On"}); // written back as a click would
    EXPECT_TRUE(hiddenInTray());
    EXPECT_TRUE(cSysTray1.added());
    EXPECT_EQ(shell.balloons().size(), 1u);

    release();
    minimize();
    EXPECT_EQ(shell.balloons().size(), 1u);
}

TEST_F(Minimize, StartInTheTrayWithoutAHostStartsMinimisedOnTheTaskBar)
{
    settings.values["Minimized"] = "On";
    trayHost = false;
    start();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(HiddenInTray);
}

TEST_F(Minimize, OnlyTheExactOnStartsInTheTray)
{
    for (const char* value : {"on", "ON", "", "Off"}) {
        settings.values["Minimized"] = value;
        handlers.restoreCheck8();
        EXPECT_FALSE(Check8->isChecked()) << value;
    }
    start();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(settings.saves.isEmpty());
}

TEST_F(Minimize, ToggleWritesTheSettingAtOnceAndChangesNothingOnScreen)
{
    start();
    Check8->click();
    EXPECT_EQ(settings.values["Minimized"], "On");
    Check8->click();
    EXPECT_EQ(settings.saves, (QStringList{"Minimized=On", "Minimized=Off"}));
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowState(), Qt::WindowNoState);
}

TEST_F(Minimize, AFailedWriteBackAtStartIsTheLoadSteps)
{
    settings.values["Minimized"] = "On";
    settings.failSaves = true;
    EXPECT_THROW(handlers.restoreCheck8(), Failure);
    EXPECT_TRUE(Check8->isChecked());
}

TEST_F(Minimize, MinimisingDuringTheBalloonWaitHidesWithoutASecondBalloon)
{
    start();
    shell.closeBalloonsWith = 0; // this time the balloon stays up
    QTimer::singleShot(30, [this] { release(); });
    QTimer::singleShot(60, [this] {
        EXPECT_TRUE(form.isVisible());
        minimize();
    });
    QTimer::singleShot(90, [this] { release(TrayCode::BalloonUserClick); });
    QElapsedTimer wall;
    wall.start();
    minimize(); // the first minimise waits for the balloon inside
    for (int i = 0; i < 100 && wall.elapsed() < 2000 && cSysTray1.balloonUp(); ++i)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_LT(wall.elapsed(), 2000);
    EXPECT_TRUE(hiddenInTray());
    EXPECT_EQ(shell.balloons().size(), 1u);
}

TEST_F(Minimize, ClosingTakesTheIconAwayAndIsNeverCancelled)
{
    start();
    minimize();
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(cSysTray1.InTray());
    EXPECT_EQ(shell.calls.back().op, NIM_DELETE);
    EXPECT_TRUE(report.entries.empty());
}

TEST_F(Minimize, AFailingStepIsReportedWithItsNumberAndTheCloseGoesOn)
{
    start();
    bool pumped = false;
    QTimer::singleShot(0, [&] { pumped = true; });
    shell.failNext = true;
    EXPECT_TRUE(form.close());
    ASSERT_EQ(report.entries.size(), 1u);
    EXPECT_EQ(report.entries[0].line, 102);
    EXPECT_EQ(report.entries[0].location, "in Hushwave2021/08/31.Form1.Form_QueryUnload ");
    EXPECT_EQ(report.entries[0].description, "shell refused");
    EXPECT_TRUE(pumped) << "104 and 106 still ran";
}

} // namespace
