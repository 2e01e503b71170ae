#include "RecordingShell.h"
#include "tray/cSysTray.h"
#include "tray/QtTrayShell.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QPixmap>

namespace
{

PictureRef blueT()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::blue);
    return Picture::fromIcon(QIcon(pixmap));
}

void waitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
}

TEST(TrayCodes, QtActivationsBecomeTheShellsMouseMessages)
{
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(trayCodesFor(QSystemTrayIcon::Trigger), (V{0x201, 0x202}));
    EXPECT_EQ(trayCodesFor(QSystemTrayIcon::Context), (V{0x204, 0x205}));
    EXPECT_EQ(trayCodesFor(QSystemTrayIcon::DoubleClick), (V{0x203, 0x202}));
    EXPECT_EQ(trayCodesFor(QSystemTrayIcon::MiddleClick), (V{0x207, 0x208}));
    EXPECT_EQ(trayCodesFor(QSystemTrayIcon::Unknown), V{});
}

class QtTray : public ::testing::Test
{
protected:
    QtTrayShell shell;
    PictureRef icon = blueT();
    QStringList raised;
    EventRecorder window;
    cSysTray tray{shell};

    void SetUp() override
    {
        QObject::connect(&tray, &cSysTray::MouseDown, [this](std::int16_t b, std::int32_t) {
            raised << QString("Down %1").arg(b);
        });
        QObject::connect(&tray, &cSysTray::MouseUp, [this](std::int16_t b, std::int32_t) {
            raised << QString("Up %1").arg(b);
        });
        QObject::connect(&tray, &cSysTray::MouseDblClick, [this](std::int16_t b, std::int32_t) {
            raised << QString("DblClick %1").arg(b);
        });
        tray.window()->installEventFilter(&window);
        tray.setTrayIcon(icon);
        tray.setTrayTip("Hushwave");
        tray.setInTray(true);
    }
    void TearDown() override { tray.window()->removeEventFilter(&window); }
    QSystemTrayIcon* qtIcon() const { return shell.icon(tray.hWnd(), 0); }
};

TEST_F(QtTray, AddModifyAndDeleteDriveASystemTrayIcon)
{
    ASSERT_NE(qtIcon(), nullptr);
    EXPECT_TRUE(qtIcon()->isVisible());
    EXPECT_EQ(qtIcon()->toolTip(), "Hushwave");
    EXPECT_EQ(qtIcon()->icon().cacheKey(), icon->image().cacheKey());

    tray.setTrayTip(QString("Tip") + QChar(0) + "hidden");
    EXPECT_EQ(qtIcon()->toolTip(), "Tip");
    const PictureRef other = blueT();
    tray.setTrayIcon(other);
    EXPECT_EQ(qtIcon()->icon().cacheKey(), other->image().cacheKey());

    // The shell refuses a second add and anything for an icon it does not hold.
    NOTIFYICONDATAA data = newNotifyIconData(tray.hWnd(), 0);
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_ADD, data));
    data.uID = 5;
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_MODIFY, data));
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_DELETE, data));
    NOTIFYICONDATAA noWindow = newNotifyIconData(0xFFFFFF, 0);
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_ADD, noWindow));
    NOTIFYICONDATAA shortRecord = newNotifyIconData(tray.hWnd(), 0);
    shortRecord.cbSize = 88;
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_MODIFY, shortRecord));

    tray.setInTray(false);
    EXPECT_EQ(qtIcon(), nullptr);
}

TEST_F(QtTray, ClicksOnTheIconRaiseTheControlsEvents)
{
    emit qtIcon()->activated(QSystemTrayIcon::Trigger);
    emit qtIcon()->activated(QSystemTrayIcon::Context);
    emit qtIcon()->activated(QSystemTrayIcon::DoubleClick);
    emit qtIcon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_TRUE(raised.isEmpty()) << "posted, like the shell's messages";
    QCoreApplication::processEvents();
    EXPECT_EQ(raised, (QStringList{"Down 1", "Up 1", "Down 2", "Up 2", "DblClick 1", "Up 1"}));
}

TEST_F(QtTray, BalloonIsReportedShownThenTimedOutClickedOrHidden)
{
    NOTIFYICONDATAA info = newNotifyIconData(tray.hWnd(), 0);
    info.uFlags = NIF_INFO;
    setTextField(info.szInfo, "text");
    setTextField(info.szInfoTitle, "title");
    info.uTimeout = 50;
    using V = std::vector<std::int32_t>;

    ASSERT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY, info));
    waitFor([&] { return window.lParams.size() >= 2; }, 2000);
    EXPECT_EQ(window.lParams, (V{0x402, 0x404}));

    window.lParams.clear();
    info.uTimeout = 60000;
    shell.Shell_NotifyIconA(NIM_MODIFY, info);
    emit qtIcon()->messageClicked();
    emit qtIcon()->messageClicked(); // nothing up any more
    QCoreApplication::processEvents();
    EXPECT_EQ(window.lParams, (V{0x402, 0x405}));

    // Taken away by an empty balloon.
    window.lParams.clear();
    shell.Shell_NotifyIconA(NIM_MODIFY, info);
    NOTIFYICONDATAA clear = newNotifyIconData(tray.hWnd(), 0);
    clear.uFlags = NIF_INFO;
    setTextField(clear.szInfo, "");
    setTextField(clear.szInfoTitle, "");
    shell.Shell_NotifyIconA(NIM_MODIFY, clear);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.lParams, (V{0x402, 0x403}));
}

TEST_F(QtTray, ABalloonWaitEndsWhenTheBackEndReportsItGone)
{
    QTimer::singleShot(50, [this] { emit qtIcon()->messageClicked(); });
    QElapsedTimer wall;
    wall.start();
    tray.ShowBalloon("text", "title", 30, false);
    EXPECT_LT(wall.elapsed(), 1000);
    EXPECT_FALSE(tray.balloonUp());
    EXPECT_TRUE(raised.isEmpty());
}

} // namespace
