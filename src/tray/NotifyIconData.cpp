#include "tray/NotifyIconData.h"

#include <cstring>

NOTIFYICONDATAA newNotifyIconData(std::uint32_t hWnd, std::uint32_t uID)
{
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = hWnd;
    data.uID = uID;
    return data;
}

void setTextField(char* field, int width, const QString& text)
{
    QString filled = text + QChar(0);
    if (filled.size() > width)
        filled.truncate(width);
    else
        filled = filled.leftJustified(width, QChar(' '));
    const QByteArray bytes = filled.toLatin1();
    std::memcpy(field, bytes.constData(), std::size_t(width));
}

QString textField(const char* field, int width)
{
    const void* nul = std::memchr(field, 0, std::size_t(width));
    const int length = nul ? int(static_cast<const char*>(nul) - field) : width;
    return QString::fromLatin1(field, length);
}

QEvent::Type TrayCallbackEvent::eventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}
