#pragma once

#include <QEvent>
#include <QString>

#include <cstddef>
#include <cstdint>

// The notification-icon record in its 488-byte version-2 layout, with the
// shell's operation and flag values. Handles are 4-byte numbers looked up in
// our handle tables, so the layout is the same on every platform.
constexpr std::uint32_t NIM_ADD = 0;
constexpr std::uint32_t NIM_MODIFY = 1;
constexpr std::uint32_t NIM_DELETE = 2;

constexpr std::uint32_t NIF_MESSAGE = 1;
constexpr std::uint32_t NIF_ICON = 2;
constexpr std::uint32_t NIF_TIP = 4;
constexpr std::uint32_t NIF_INFO = 16;

// The tray callback message (WM_USER + 101).
constexpr std::uint32_t kTrayCallbackMessage = 0x465;

// What the callback message's lParam carries.
namespace TrayCode
{
constexpr std::int32_t MouseMove = 0x200;
constexpr std::int32_t LButtonDown = 0x201;
constexpr std::int32_t LButtonUp = 0x202;
constexpr std::int32_t LButtonDblClk = 0x203;
constexpr std::int32_t RButtonDown = 0x204;
constexpr std::int32_t RButtonUp = 0x205;
constexpr std::int32_t RButtonDblClk = 0x206;
constexpr std::int32_t MButtonDown = 0x207;
constexpr std::int32_t MButtonUp = 0x208;
constexpr std::int32_t BalloonShow = 0x402;
constexpr std::int32_t BalloonHide = 0x403;
constexpr std::int32_t BalloonTimeout = 0x404;
constexpr std::int32_t BalloonUserClick = 0x405;
} // namespace TrayCode

struct NOTIFYICONDATAA {
    std::uint32_t cbSize;
    std::uint32_t hWnd;
    std::uint32_t uID;
    std::uint32_t uFlags;
    std::uint32_t uCallbackMessage;
    std::uint32_t hIcon;
    char szTip[128];
    std::uint32_t dwState;
    std::uint32_t dwStateMask;
    char szInfo[256];
    std::uint32_t uTimeout;
    char szInfoTitle[64];
    std::uint32_t dwInfoFlags;
};

static_assert(sizeof(NOTIFYICONDATAA) == 488);
static_assert(offsetof(NOTIFYICONDATAA, szTip) == 24);
static_assert(offsetof(NOTIFYICONDATAA, dwState) == 152);
static_assert(offsetof(NOTIFYICONDATAA, szInfo) == 160);
static_assert(offsetof(NOTIFYICONDATAA, uTimeout) == 416);
static_assert(offsetof(NOTIFYICONDATAA, szInfoTitle) == 420);
static_assert(offsetof(NOTIFYICONDATAA, dwInfoFlags) == 484);

constexpr std::uint32_t kNotifyIconDataSize = 488;

// A zero-filled record with cbSize, hWnd and uID set.
NOTIFYICONDATAA newNotifyIconData(std::uint32_t hWnd, std::uint32_t uID);

// Puts text into a fixed-width field: the text and one NUL, left-aligned and
// padded with spaces; text too long for the field is cut at its width and
// then has no NUL. One byte per character (Latin-1, '?' for anything else),
// so the width in characters is the width in bytes.
template <std::size_t N> void setTextField(char (&field)[N], const QString& text);
void setTextField(char* field, int width, const QString& text);

// The text a field holds: up to its first NUL, or all of it when cut.
template <std::size_t N> QString textField(const char (&field)[N]);
QString textField(const char* field, int width);

template <std::size_t N> void setTextField(char (&field)[N], const QString& text)
{
    setTextField(field, int(N), text);
}

template <std::size_t N> QString textField(const char (&field)[N])
{
    return textField(field, int(N));
}

// Where the records go: Shell_NotifyIconA on Windows, our Qt back end here,
// a recorder in tests. The result means what the shell's result means; the
// tray control never looks at it.
class TrayShell
{
public:
    virtual ~TrayShell() = default;
    virtual bool Shell_NotifyIconA(std::uint32_t dwMessage, const NOTIFYICONDATAA& data) = 0;
};

// A window message as the tray back end delivers it to the control's window.
class TrayCallbackEvent : public QEvent
{
public:
    TrayCallbackEvent(std::uint32_t msg, std::int32_t w, std::int32_t l)
        : QEvent(eventType()), message(msg), wParam(w), lParam(l)
    {
    }
    static QEvent::Type eventType();

    std::uint32_t message;
    std::int32_t wParam;
    std::int32_t lParam;
};
