#include "tray/mSysTray.h"

#include "common/Guard.h"
#include "tray/cSysTray.h"
#include "tray/Handles.h"
#include "tray/NotifyIconData.h"

#include <QCoreApplication>
#include <QEvent>

namespace mSysTray
{

// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): declared in mSysTray.h
QPointer<QObject> PrevWndProc;

namespace
{

class WindowProcFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        bool handled = false;
        atQtEdge("TrayWindowProc", [&] { handled = TrayWindowProc(watched, event); });
        return handled;
    }
};

// The window's own filter, a child of it: made at its first hook and kept
// while the window lives, since a hook may go while the filter runs (a
// click that closes the program takes the icon away).
WindowProcFilter* filterOf(QObject& window)
{
    for (QObject* child : window.children()) {
        if (auto* filter = dynamic_cast<WindowProcFilter*>(child))
            return filter;
    }
    return nullptr;
}

} // namespace

void InstallHook(std::uint32_t hWnd, cSysTray* owner)
{
    auto* window = qobject_cast<TrayWindow*>(windowFromHandle(hWnd));
    if (!window)
        return;
    PrevWndProc = window;
    WindowProcFilter* filter = filterOf(*window);
    window->installEventFilter(filter ? filter : new WindowProcFilter(window));
    window->userData = owner;
}

void RemoveHook(std::uint32_t hWnd)
{
    QObject* window = windowFromHandle(hWnd);
    if (WindowProcFilter* filter = window ? filterOf(*window) : nullptr)
        window->removeEventFilter(filter);
}

bool TrayWindowProc(QObject* window, QEvent* event)
{
    if (event->type() == TrayCallbackEvent::eventType()) {
        auto* message = static_cast<TrayCallbackEvent*>(event);
        auto* trayWindow = qobject_cast<TrayWindow*>(window);
        // The slot is read afresh for every callback message.
        if (message->message == kTrayCallbackMessage && trayWindow && trayWindow->userData) {
            std::int32_t lParam = message->lParam;
            std::int32_t wParam = message->wParam;
            trayWindow->userData->TrayNotify(lParam, wParam);
        }
    }
    return false;
}

} // namespace mSysTray
