#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include <memory>

// An icon shown through a desktop's own tray protocol rather than Qt's, with
// the desktop's notifications as its balloon.
class TrayItem : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual void showMessage(const QString& title, const QString& text, int msecs) = 0;
    // Takes the message away; never shows an empty one.
    virtual void closeMessage() = 0;

signals:
    void activated(QSystemTrayIcon::ActivationReason reason);
    void messageClicked();
};

// A desktop's tray host, which may arrive after the program has started,
// leave, and come back.
class TrayHost : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual bool present() const = 0;
    virtual std::unique_ptr<TrayItem> createItem() = 0;

signals:
    // A host is there now that was not before: icons move over to it.
    void appeared();
};
