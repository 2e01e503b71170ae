// What the keyboard and a screen reader reach: only what the user can see.
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QSlider>

namespace
{

void press(int key)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &down);
    QApplication::sendEvent(target, &up);
}

TEST(Keyboard, TheHiddenPitchSliderIsNoTabStopAndTheSpeedStaysNormal)
{
    FormHarness h;
    h.addSounds({"A.mp3", "B.mp3"});
    Form1& f = h.load();
    f.show();
    QApplication::setActiveWindow(&f);
    f.Slider1->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), f.Slider1);

    // Round the whole window twice, pressing End at every stop after the
    // volume slider's own: the pitch slider sat three Tabs on.
    for (int i = 1; i <= 30; ++i) {
        press(Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), f.Slider2) << "after " << i << " Tabs";
        if (i <= 3)
            press(Qt::Key_End);
    }
    EXPECT_EQ(f.Slider2->value(), 1);
    EXPECT_EQ(h.player.rate, 1.0);
    EXPECT_EQ(h.settings.values.value("Pitch"), "1");

    // A screen reader is told it is not there; the volume slider it finds.
    QAccessibleInterface* pitch = QAccessible::queryAccessibleInterface(f.Slider2);
    ASSERT_NE(pitch, nullptr);
    EXPECT_TRUE(pitch->state().invisible);
    EXPECT_FALSE(pitch->state().focusable);
    QAccessibleInterface* volume = QAccessible::queryAccessibleInterface(f.Slider1);
    ASSERT_NE(volume, nullptr);
    EXPECT_FALSE(volume->state().invisible);
    EXPECT_TRUE(volume->state().focusable);
    // It stays part of the window.
    EXPECT_EQ(f.Slider2->parentWidget(), &f);
}

} // namespace
