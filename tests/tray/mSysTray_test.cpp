#include "RecordingShell.h"
#include "tray/cSysTray.h"
#include "tray/mSysTray.h"

#include <gtest/gtest.h>

namespace
{

class TrayHook : public ::testing::Test
{
protected:
    RecordingShell shell;
    QStringList raised;
    EventRecorder previous; // the window's handling behind the hook
    cSysTray tray{shell};

    void SetUp() override
    {
        QObject::connect(&tray, &cSysTray::MouseMove,
                         [this](std::int32_t id) { raised << QString("Move %1").arg(id); });
        QObject::connect(&tray, &cSysTray::MouseDown, [this](std::int16_t b, std::int32_t id) {
            raised << QString("Down %1 %2").arg(b).arg(id);
        });
        QObject::connect(&tray, &cSysTray::MouseUp, [this](std::int16_t b, std::int32_t id) {
            raised << QString("Up %1 %2").arg(b).arg(id);
        });
        QObject::connect(&tray, &cSysTray::MouseDblClick, [this](std::int16_t b, std::int32_t id) {
            raised << QString("DblClick %1 %2").arg(b).arg(id);
        });
        // Installed before the hook, so it sees what the hook passes on.
        tray.window()->installEventFilter(&previous);
    }
    void TearDown() override { tray.window()->removeEventFilter(&previous); }
};

TEST_F(TrayHook, EachMouseMessageRaisesItsEventWithButtonAndId)
{
    tray.setInTray(true);
    EXPECT_EQ(mSysTray::PrevWndProc, tray.window());
    const struct {
        std::int32_t lParam;
        const char* event;
    } table[] = {
        {0x200, "Move 7"},   {0x201, "Down 1 7"}, {0x202, "Up 1 7"},       {0x203, "DblClick 1 7"},
        {0x204, "Down 2 7"}, {0x205, "Up 2 7"},   {0x206, "DblClick 2 7"},
    };
    for (const auto& row : table) {
        raised.clear();
        sendTrayMessage(tray.window(), row.lParam, 7);
        EXPECT_EQ(raised, QStringList{row.event}) << std::hex << row.lParam;
    }
}

TEST_F(TrayHook, MiddleButtonBalloonShownAndOtherMessagesRaiseNothing)
{
    tray.setInTray(true);
    for (std::int32_t lParam : {0x207, 0x208, 0x209, 0x402, 0x400, 0x10201, -1, 0})
        sendTrayMessage(tray.window(), lParam);
    // Only message 1125 is the tray's.
    sendTrayMessage(tray.window(), 0x201, 0, kTrayCallbackMessage + 1);
    EXPECT_TRUE(raised.isEmpty()) << raised.join(", ").toStdString();

    // Balloon notifications end the balloon but raise nothing either.
    tray.ShowBalloon("text", "title", 0, false);
    EXPECT_TRUE(tray.balloonUp());
    sendTrayMessage(tray.window(), 0x404);
    EXPECT_FALSE(tray.balloonUp());
    EXPECT_TRUE(raised.isEmpty());
}

TEST_F(TrayHook, EveryMessageIsPassedOnWithTheWindowsOwnAnswer)
{
    QEvent other(QEvent::Type(QEvent::User + 17));
    const bool unhookedAnswer = QCoreApplication::sendEvent(tray.window(), &other);
    tray.setInTray(true);
    previous.lParams.clear();
    previous.others.clear();

    EXPECT_EQ(QCoreApplication::sendEvent(tray.window(), &other), unhookedAnswer);
    sendTrayMessage(tray.window(), 0x201);
    sendTrayMessage(tray.window(), 0x404);
    sendTrayMessage(tray.window(), 0x999);
    EXPECT_EQ(previous.lParams, (std::vector<std::int32_t>{0x201, 0x404, 0x999}));
    EXPECT_EQ(previous.others, std::vector<QEvent::Type>{other.type()});
}

TEST_F(TrayHook, IsInFrontOfTheWindowFromBeforeTheAddToAfterTheDelete)
{
    // Messages the shell sends while adding and deleting still meet the hook.
    shell.onCall = [this](std::uint32_t op, const NOTIFYICONDATAA&) {
        sendTrayMessage(tray.window(), op == NIM_ADD ? 0x201 : 0x205);
    };
    tray.setInTray(true);
    tray.setInTray(false);
    EXPECT_EQ(raised, (QStringList{"Down 1 0", "Up 2 0"}));

    // Unhooked: nothing is decoded, and the window still gets its messages.
    raised.clear();
    previous.lParams.clear();
    sendTrayMessage(tray.window(), 0x202);
    EXPECT_TRUE(raised.isEmpty());
    EXPECT_EQ(previous.lParams, std::vector<std::int32_t>{0x202});

    // And a later add hooks it again.
    shell.onCall = nullptr;
    tray.setInTray(true);
    sendTrayMessage(tray.window(), 0x202);
    EXPECT_EQ(raised, QStringList{"Up 1 0"});
}

} // namespace
