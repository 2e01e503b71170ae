#include "app/appearance/WindowPointer.h"

#include <QEvent>
#include <QGroupBox>
#include <QMouseEvent>
#include <QWidget>

namespace
{

const char* const PointerValue = "hushwavePointerValue";

bool isContainer(const QWidget& w)
{
    return w.isWindow() || qobject_cast<const QGroupBox*>(&w);
}

} // namespace

WindowPointer::WindowPointer(QWidget& window) : QObject(&window), m_window(window)
{
    watch(&window, Default);
}

void WindowPointer::setMouseIcon(const QCursor& cursor)
{
    m_icon = cursor;
    show();
}

void WindowPointer::setMousePointer(int value)
{
    if (value == m_pointer)
        return;
    m_pointer = value;
    show();
}

void WindowPointer::show()
{
    if (m_pointer == Custom && m_icon)
        m_window.setCursor(*m_icon);
    else
        m_window.unsetCursor();
}

void WindowPointer::watch(QWidget* control, int value)
{
    if (!control)
        return;
    control->setProperty(PointerValue, value);
    control->installEventFilter(this);
    // Moves over a container's bare area reach it only with tracking on;
    // moves over its controls come up to it as well and are told apart below.
    if (isContainer(*control))
        control->setMouseTracking(true);
}

bool WindowPointer::eventFilter(QObject* watched, QEvent* event)
{
    auto* control = qobject_cast<QWidget*>(watched);
    if (!control)
        return false;
    const QVariant value = control->property(PointerValue);
    if (!value.isValid())
        return false;

    if (isContainer(*control)) {
        // Own area only: a move that started over one of its controls has
        // come up to it because that control did not take it.
        if (event->type() == QEvent::MouseMove) {
            const auto* move = static_cast<QMouseEvent*>(event);
            if (!control->childAt(move->position().toPoint()))
                setMousePointer(value.toInt());
        }
    } else if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove) {
        setMousePointer(value.toInt());
    }
    return false;
}
