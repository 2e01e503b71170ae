#pragma once

#include <QPointer>

#include <cstdint>

class QEvent;
class QObject;
class cSysTray;

// The hook that carries the tray callback message to its cSysTray while the
// icon is in the tray. It is an event filter in front of the control's
// window: it decodes the callback message and passes every event on.
namespace mSysTray
{

// The handling the hook stands in front of: the hooked window's own. One for
// the whole program, so one tray window is hooked at a time.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): program-wide by design
extern QPointer<QObject> PrevWndProc;

// Puts TrayWindowProc in front of the window and the owner in its user-data
// slot. Must run before the icon is added.
void InstallHook(std::uint32_t hWnd, cSysTray* owner);
// Takes TrayWindowProc away again; the user-data slot keeps its value.
void RemoveHook(std::uint32_t hWnd);

// Decodes the callback message (1125) for the owner in the window's
// user-data slot; returns false for every event, so each goes on to
// PrevWndProc and the window answers as it would without the hook.
bool TrayWindowProc(QObject* window, QEvent* event);

} // namespace mSysTray
