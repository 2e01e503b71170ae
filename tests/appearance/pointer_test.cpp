#include "app/appearance/WindowPointer.h"
#include "MiniForm.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QPixmap>
#include <QWindow>

namespace
{

class PointerTest : public ::testing::Test
{
protected:
    PointerTest() : pointer(form.window)
    {
        QPixmap hand(32, 32);
        hand.fill(Qt::red);
        pointer.setMouseIcon(QCursor(hand, 10, 1));
        for (QWidget* w : std::initializer_list<QWidget*>{form.frame1, form.frame2, form.frame3,
                                                          form.frame4, form.option1, form.option2,
                                                          form.dtPicker1, form.dtPicker2})
            pointer.watch(w, WindowPointer::Default);
        pointer.watch(form.pushButton1, WindowPointer::Custom);
        pointer.watch(form.pushButton2, WindowPointer::Custom);
        form.window.move(0, 0);
        form.window.show();
        QApplication::processEvents();
    }

    // A mouse move as the platform delivers it: to the window, which finds
    // the control under the mouse and sends enter and leave on the way.
    void moveTo(QWidget* control, QPoint at = QPoint(-1, -1))
    {
        if (at == QPoint(-1, -1))
            at = control->rect().center();
        const QPoint inWindow = control->mapTo(&form.window, at);
        // The point must lie on that control (or its inner parts), not on another.
        QWidget* under = form.window.childAt(inWindow);
        if (control == &form.window)
            ASSERT_EQ(under, nullptr);
        else
            ASSERT_TRUE(under == control || control->isAncestorOf(under));
        QMouseEvent move(QEvent::MouseMove, QPointF(inWindow), QPointF(inWindow),
                         form.window.mapToGlobal(QPointF(inWindow)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(form.window.windowHandle(), &move);
    }

    bool showsHand() const { return form.window.cursor().shape() == Qt::BitmapCursor; }

    MiniForm form;
    WindowPointer pointer;
};

TEST_F(PointerTest, TheHandOverThePushButtonsAndTheArrowOverTheRest)
{
    moveTo(&form.window, QPoint(2, 2)); // bare background
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    EXPECT_FALSE(showsHand());

    moveTo(form.pushButton2);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    EXPECT_TRUE(showsHand());
    EXPECT_EQ(form.window.cursor().hotSpot(), QPoint(10, 1));

    moveTo(form.frame1, QPoint(form.frame1->width() - 4, form.frame1->height() - 4));
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    EXPECT_FALSE(showsHand());

    moveTo(form.pushButton1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    moveTo(&form.window, QPoint(530, 200)); // right margin, beside the frames
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);

    for (QWidget* w : std::initializer_list<QWidget*>{form.option1, form.option2, form.dtPicker1,
                                                      form.dtPicker2}) {
        moveTo(form.pushButton2);
        ASSERT_EQ(pointer.mousePointer(), WindowPointer::Custom);
        moveTo(w);
        EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default) << w->metaObject()->className();
    }
}

TEST_F(PointerTest, ControlsWithoutAHandlerLeaveTheSettingAsItIs)
{
    moveTo(form.pushButton1);
    ASSERT_TRUE(showsHand());
    // Straight from the button onto the list, inside the same frame.
    moveTo(form.combo1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom);
    EXPECT_TRUE(showsHand());
    moveTo(form.combo1, QPoint(3, 3)); // moving about on it changes nothing
    EXPECT_TRUE(showsHand());
    for (QWidget* w :
         std::initializer_list<QWidget*>{form.slider1, form.check4, form.check8, form.label1}) {
        moveTo(w);
        EXPECT_EQ(pointer.mousePointer(), WindowPointer::Custom) << w->metaObject()->className();
    }
    // Until the frame's own area is reached.
    moveTo(form.frame4, QPoint(form.frame4->width() - 4, form.frame4->height() - 4));
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
    moveTo(form.slider1);
    EXPECT_EQ(pointer.mousePointer(), WindowPointer::Default);
}

TEST_F(PointerTest, AnIconLoadedWhileTheCustomSettingHoldsShowsAtOnce)
{
    moveTo(form.pushButton2);
    QPixmap other(16, 16);
    other.fill(Qt::blue);
    pointer.setMouseIcon(QCursor(other, 3, 4));
    EXPECT_EQ(form.window.cursor().hotSpot(), QPoint(3, 4));
    // The controls show the window's pointer; none has its own here.
    EXPECT_EQ(form.pushButton2->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(form.combo1->cursor().shape(), Qt::BitmapCursor);
}

} // namespace
