// What the keyboard and a screen reader reach: only what the user can see.
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolTip>

namespace
{

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
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

// Return, the keypad's Enter and Space all press the focused button; Enter
// on another control presses no button.
TEST(Keyboard, EnterPressesTheFocusedButtonAsSpaceDoes)
{
    FormHarness h;
    h.addSounds({"A.mp3"});
    Form1& f = h.load();
    f.show();
    QApplication::setActiveWindow(&f);

    f.PushButton2->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(f.PushButton2->text(), "Turn On");
    press(Qt::Key_Space);
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");

    f.PushButton1->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.PushButton1->text(), "Stop");
    EXPECT_EQ(f.PushButton2->text(), "Turn Off") << "only the focused button";

    f.Check4->setFocus();
    press(Qt::Key_Return);
    EXPECT_EQ(f.PushButton1->text(), "Stop");
    EXPECT_EQ(f.PushButton2->text(), "Turn Off");
}

// A screen reader tells the pickers apart by name and reads their times.
TEST(Keyboard, ThePickersAreNamedAndReadAsTheirTimes)
{
    FormHarness h;
    h.addSounds({"A.mp3"});
    h.settings.values["Time From"] = "12/7/2026 10:00:00 PM";
    h.settings.values["Time To"] = "12/7/2026 6:00:30 AM";
    Form1& f = h.load();

    QAccessibleInterface* from = QAccessible::queryAccessibleInterface(f.DTPicker1);
    QAccessibleInterface* to = QAccessible::queryAccessibleInterface(f.DTPicker2);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    EXPECT_EQ(from->text(QAccessible::Name), "Play from");
    EXPECT_EQ(to->text(QAccessible::Name), "to");
    ASSERT_NE(from->valueInterface(), nullptr);
    EXPECT_EQ(from->valueInterface()->currentValue().toInt(), 22 * 3600);
    EXPECT_EQ(to->valueInterface()->currentValue().toInt(), 6 * 3600 + 30);
    EXPECT_EQ(to->valueInterface()->maximumValue().toInt(), 24 * 3600 - 1);

    // A change of time is read at once.
    f.DTPicker2->setTime(QTime(7, 15, 0));
    EXPECT_EQ(to->valueInterface()->currentValue().toInt(), 7 * 3600 + 15 * 60);

    // The pitch slider's label is hidden with it.
    QAccessibleInterface* pitch = QAccessible::queryAccessibleInterface(f.Label2);
    ASSERT_NE(pitch, nullptr);
    EXPECT_TRUE(pitch->state().invisible);
}

// A style name longer than the closed list ends in "…" there; a screen
// reader and the tooltip have it whole.
TEST(Keyboard, ALongStyleNameIsReadWholeAndShownWholeAsTheTooltip)
{
    const QString name = "Gentle Summer Rain On A Tin Roof Far Away In The Hills, "
                         "With Distant Thunder Rolling Over The Valley At Night";
    FormHarness h;
    h.addSounds({name + ".mp3"});
    Form1& f = h.load();
    ASSERT_GT(f.Combo1->fontMetrics().horizontalAdvance(name), f.Combo1->width());
    f.show();
    QHelpEvent tip(QEvent::ToolTip, QPoint(10, 10), f.Combo1->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(f.Combo1, &tip);
    EXPECT_EQ(QToolTip::text(), name);
    QToolTip::hideText();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(f.Combo1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->text(QAccessible::Value), name);
}

} // namespace
