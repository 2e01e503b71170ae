#pragma once

#include <optional>
#include <QObject>

class QDBusPendingCallWatcher;
class QDBusMessage;

// The desktop's colour scheme as its portal keeps it
// (org.freedesktop.appearance color-scheme): asked once, without waiting,
// and followed while the program runs.
class DesktopColourScheme : public QObject
{
    Q_OBJECT
public:
    explicit DesktopColourScheme(QObject* parent = nullptr);

    // 0 no preference, 1 prefer dark, 2 prefer light; none until the portal
    // answers, and with no portal at all.
    std::optional<unsigned> preference() const { return m_preference; }

signals:
    void changed();

private slots:
    void settingChanged(const QDBusMessage& message);

private:
    void read(const QString& method);
    void take(const QVariant& value);

    std::optional<unsigned> m_preference;
};
