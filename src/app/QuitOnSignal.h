#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

// Logout, shutdown and kill send SIGTERM (a terminal SIGINT or SIGHUP): end
// the program the way closing its window does, so the tray icon goes and the
// sound fades out instead of being cut off with a click.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    explicit QuitOnSignal(QWidget& window);
    ~QuitOnSignal() override;

private:
    void quit();

    QWidget& m_window;
    QSocketNotifier* m_notifier = nullptr;
};
