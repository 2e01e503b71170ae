#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace
{
// What panels and media keys do goes through the window's own handlers, and
// the desktop hears of every change they make.
TEST(DesktopWindow, ActionsRunTheWindowsHandlersAndReportTheirChanges)
{
    FormHarness h;
    h.addSounds({"Brown.mp3", "White.mp3"});
    Form1& f = h.load();
    DesktopWindow& desktop = f.desktop;
    int changes = 0;
    desktop.setDesktopListener([&] { ++changes; });

    DesktopPlayerState s = desktop.desktopState();
    EXPECT_FALSE(s.generatorOn);
    EXPECT_FALSE(s.soundPlaying);
    EXPECT_EQ(s.volume, 50);
    EXPECT_EQ(s.style, "White");
    EXPECT_EQ(s.styleIndex, 0);

    h.settings.saves.clear();
    desktop.clickTurnOnOff();
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    EXPECT_EQ(h.settings.saves, QStringList{"StartStopState=ON"});
    EXPECT_TRUE(desktop.desktopState().generatorOn);
    EXPECT_GE(changes, 1);

    // The generator plays at its next tick: the sound is what the player says.
    changes = 0;
    QElapsedTimer waited;
    waited.start();
    while (!desktop.desktopState().soundPlaying && waited.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(desktop.desktopState().soundPlaying);
    EXPECT_GE(changes, 1) << "the tick that started it is reported";

    changes = 0;
    h.settings.saves.clear();
    desktop.moveVolume(30);
    EXPECT_EQ(f.Slider1->value(), 30);
    EXPECT_EQ(h.settings.saves, QStringList{"Volume=30"});
    EXPECT_EQ(h.player.volume, 30);
    EXPECT_EQ(desktop.desktopState().volume, 30);
    EXPECT_EQ(changes, 1);

    desktop.clickTurnOnOff();
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    EXPECT_FALSE(desktop.desktopState().soundPlaying);
    EXPECT_EQ(h.settings.values.value("StartStopState"), "OFF");

    desktop.clickPreview();
    EXPECT_TRUE(desktop.desktopState().previewOn);
    EXPECT_TRUE(desktop.desktopState().soundPlaying);
    desktop.clickPreview();
    EXPECT_FALSE(desktop.desktopState().previewOn);

    desktop.setDesktopListener({});
    desktop.clickTurnOnOff(); // no listener: nothing to call
    EXPECT_TRUE(h.errors.entries.empty());
}

TEST(DesktopWindow, NothingActsWhileABoxHoldsTheWindow)
{
    FormHarness h;
    Form1& f = h.load();
    DesktopWindow& desktop = f.desktop;
    QDialog box;
    box.setModal(true);
    box.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    h.settings.saves.clear();
    desktop.clickTurnOnOff();
    desktop.moveVolume(30);
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    EXPECT_EQ(f.Slider1->value(), 50);
    EXPECT_TRUE(h.settings.saves.isEmpty());
    box.hide();
    desktop.clickTurnOnOff();
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
}
} // namespace
