#include "common/Failure.h"
#include "RecordingShell.h"
#include "tray/cSysTray.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <ctime>

namespace
{

class Balloon : public ::testing::Test
{
protected:
    RecordingShell shell;
    cSysTray tray{shell};

    void postLater(int ms, std::int32_t lParam)
    {
        QPointer<QObject> window = tray.window();
        QTimer::singleShot(ms, [window, lParam] {
            if (window)
                QCoreApplication::postEvent(window,
                                            new TrayCallbackEvent(kTrayCallbackMessage, 0, lParam));
        });
    }
};

TEST_F(Balloon, RecordCarriesTextTitleAndTimeout)
{
    // Sent whether or not the icon was added; the shell decides.
    tray.ShowBalloon(QString(300, 'i'), QString(70, 't'), 0, false);
    tray.ShowBalloon("two\r\nlines", "Hushwave", -3, false);
    ASSERT_EQ(shell.calls.size(), 2u);

    const NOTIFYICONDATAA& cut = shell.calls[0].data;
    EXPECT_EQ(shell.calls[0].op, NIM_MODIFY);
    EXPECT_EQ(cut.uFlags, NIF_INFO);
    EXPECT_EQ(cut.cbSize, 488u);
    EXPECT_EQ(cut.hWnd, tray.hWnd());
    EXPECT_EQ(QByteArray(cut.szInfo, 256), QByteArray(256, 'i'));
    EXPECT_EQ(QByteArray(cut.szInfoTitle, 64), QByteArray(64, 't'));
    EXPECT_EQ(cut.uTimeout, 0u);
    EXPECT_EQ(cut.dwInfoFlags, 0u);
    EXPECT_EQ(cut.szTip[0], '\0'); // the tip field is not touched

    const NOTIFYICONDATAA& d = shell.calls[1].data;
    EXPECT_EQ(textField(d.szInfo), "two\r\nlines");
    EXPECT_EQ(textField(d.szInfoTitle), "Hushwave");
    EXPECT_EQ(d.uTimeout, 0u);
    EXPECT_TRUE(tray.balloonUp());
}

TEST_F(Balloon, ShowOnceShowsOnlyTheFirstAndOnlyItCounts)
{
    tray.ShowBalloon("a", "t", 0, true);
    tray.ShowBalloon("b", "t", 0, true);
    EXPECT_EQ(tray.balloonCount(), 1);
    tray.ShowBalloon("c", "t", 0, false);
    tray.ShowBalloon("d", "t", 0, false);
    tray.ShowBalloon("e", "t", 0, true);
    EXPECT_EQ(tray.balloonCount(), 1);
    ASSERT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(textField(shell.calls[0].data.szInfo), "a");
    EXPECT_EQ(textField(shell.calls[1].data.szInfo), "c");
    EXPECT_EQ(textField(shell.calls[2].data.szInfo), "d");
}

TEST_F(Balloon, TimeoutsBeyond32BitMillisecondsFailBeforeAnyShellCall)
{
    try {
        tray.ShowBalloon("a", "t", 2147484, true);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), "Overflow");
    }
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(tray.balloonCount(), 0);
    EXPECT_FALSE(tray.balloonUp());

    // The largest one that fits is sent; the shell closes it at once.
    tray.setInTray(true);
    shell.closeBalloonsWith = 0x404;
    tray.ShowBalloon("a", "t", 2147483, false);
    EXPECT_EQ(shell.calls.back().data.uTimeout, 2147483000u);
}

TEST_F(Balloon, WaitLastsShowTimerSecondsWithEventsFlowingThenClears)
{
    tray.setInTray(true);
    bool timerRan = false;
    QTimer::singleShot(100, [&] { timerRan = true; });

    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpuBefore = std::clock();
    tray.ShowBalloon("text", "title", 1, false);
    const double cpuSeconds = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    const qint64 ms = wall.elapsed();

    EXPECT_GE(ms, 1000);
    EXPECT_LT(ms, 1300);
    EXPECT_TRUE(timerRan);
    EXPECT_LT(cpuSeconds, 0.1) << "the wait must sleep, not spin";

    // Add, show, clear.
    ASSERT_EQ(shell.calls.size(), 3u);
    const NOTIFYICONDATAA& clear = shell.calls[2].data;
    EXPECT_EQ(shell.calls[2].op, NIM_MODIFY);
    EXPECT_EQ(clear.uFlags, NIF_INFO);
    EXPECT_EQ(QByteArray(clear.szInfo, 2), QByteArray("\0 ", 2));
    EXPECT_EQ(QByteArray(clear.szInfoTitle, 2), QByteArray("\0 ", 2));
    EXPECT_EQ(clear.uTimeout, 0u);
    EXPECT_TRUE(tray.balloonUp());
}

TEST_F(Balloon, HiddenTimedOutOrClickedEndsTheWaitEarlyWithoutClearing)
{
    tray.setInTray(true);
    int mouseEvents = 0;
    QObject::connect(&tray, &cSysTray::MouseUp, [&] { ++mouseEvents; });
    QObject::connect(&tray, &cSysTray::MouseDown, [&] { ++mouseEvents; });

    for (std::int32_t code : {0x403, 0x404, 0x405}) {
        shell.calls.clear();
        postLater(30, 0x402); // shown: the wait goes on
        postLater(60, code);
        QElapsedTimer wall;
        wall.start();
        tray.ShowBalloon("text", "title", 30, false);
        EXPECT_LT(wall.elapsed(), 1000) << std::hex << code;
        EXPECT_GE(wall.elapsed(), 50) << std::hex << code;
        EXPECT_FALSE(tray.balloonUp());
        EXPECT_EQ(shell.calls.size(), 1u) << "no clearing after the shell ended it";
    }
    EXPECT_EQ(mouseEvents, 0);
}

TEST_F(Balloon, AHandlerMayDestroyTheControlDuringTheWait)
{
    auto* doomed = new cSysTray(shell);
    doomed->setInTray(true);
    QTimer::singleShot(30, [doomed] { delete doomed; });
    QElapsedTimer wall;
    wall.start();
    doomed->ShowBalloon("text", "title", 30, false);
    EXPECT_LT(wall.elapsed(), 1000);
    EXPECT_EQ(shell.calls.back().op, NIM_DELETE);
}

} // namespace
