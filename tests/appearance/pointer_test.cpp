#include "app/appearance/WindowPointer.h"
#include "support/FormHarness.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QWindow>

namespace
{

class PointerTest : public ::testing::Test
{
protected:
    // The window as the program builds and wires it, with a hand of our own.
    PointerTest() : form(h.load()), pointer(*form.pointer)
    {
        QPixmap hand(32, 32);
        hand.fill(Qt::red);
        pointer.setMouseIcon(QCursor(hand, 10, 1));
        form.move(0, 0);
        form.show();
        QApplication::processEvents();
    }

    // A mouse move as the platform delivers it: to the window, which finds
    // the control under the mouse and sends enter and leave on the way.
    void moveTo(QWidget* control, QPoint at = QPoint(-1, -1))
    {
        if (at == QPoint(-1, -1))
            at = control->rect().center();
        const QPoint inWindow = control->mapTo(&form, at);
        // The point must lie on that control (or its inner parts), not on another.
        QWidget* under = form.childAt(inWindow);
        if (control == &form)
            ASSERT_EQ(under, nullptr);
        else
            ASSERT_TRUE(under == control || control->isAncestorOf(under));
        QMouseEvent move(QEvent::MouseMove, QPointF(inWindow), QPointF(inWindow),
                         form.mapToGlobal(QPointF(inWindow)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(form.windowHandle(), &move);
    }

    bool showsHand() const { return form.cursor().shape() == Qt::BitmapCursor; }

    FormHarness h;
    Form1& form;
    WindowPointer& pointer;
};

TEST_F(PointerTest, TheHandOverThePushButtonsAndTheArrowOverTheRest)
{
    moveTo(&form, QPoint(2, 2)); // bare background
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    EXPECT_FALSE(showsHand());

    moveTo(form.PushButton2);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    EXPECT_TRUE(showsHand());
    EXPECT_EQ(form.cursor().hotSpot(), QPoint(10, 1));

    moveTo(form.Frame1, QPoint(form.Frame1->width() - 4, form.Frame1->height() - 4));
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    EXPECT_FALSE(showsHand());

    moveTo(form.PushButton1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    moveTo(&form, QPoint(530, 200)); // right margin, beside the frames
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);

    for (QWidget* w : std::initializer_list<QWidget*>{form.Option1, form.Option2, form.DTPicker1,
                                                      form.DTPicker2}) {
        moveTo(form.PushButton2);
        ASSERT_EQ(pointer.mousePointer(), WindowPointer::Custom);
        moveTo(w);
        EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default) << w->metaObject()->className();
    }
}

TEST_F(PointerTest, ControlsWithoutAHandlerLeaveTheSettingAsItIs)
{
    moveTo(form.PushButton1);
    ASSERT_TRUE(showsHand());
    // Straight from the button onto the list, inside the same frame.
    moveTo(form.Combo1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    EXPECT_TRUE(showsHand());
    moveTo(form.Combo1, QPoint(3, 3)); // moving about on it changes nothing
    EXPECT_TRUE(showsHand());
    for (QWidget* w :
         std::initializer_list<QWidget*>{form.Slider1, form.Check4, form.Check8, form.Label1}) {
        moveTo(w);
        EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom) << w->metaObject()->className();
    }
    // Until the frame's own area is reached.
    moveTo(form.Frame4, QPoint(form.Frame4->width() - 4, form.Frame4->height() - 4));
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    moveTo(form.Slider1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
}

TEST_F(PointerTest, AnIconLoadedWhileTheCustomSettingHoldsShowsAtOnce)
{
    moveTo(form.PushButton2);
    QPixmap other(16, 16);
    other.fill(Qt::blue);
    pointer.setMouseIcon(QCursor(other, 3, 4));
    EXPECT_EQ(form.cursor().hotSpot(), QPoint(3, 4));
    // The controls show the window's pointer; none has its own here.
    EXPECT_EQ(form.PushButton2->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(form.Combo1->cursor().shape(), Qt::BitmapCursor);
}

} // namespace
