#pragma once

#include <QObject>

class MessageBoxErrorReport;
class QSocketNotifier;
class QWidget;

// Logout, shutdown and kill send SIGTERM (a terminal SIGINT or SIGHUP): end
// the program the way closing its window does, so the tray icon goes and the
// sound fades out instead of being cut off with a click. An error box that
// waits for OK does not hold it up, nor does the load step still running:
// the caller checks requested() before showing the window.
class QuitOnSignal : public QObject
{
    Q_OBJECT
public:
    QuitOnSignal(QWidget& window, MessageBoxErrorReport* errors = nullptr);
    ~QuitOnSignal() override;

    bool requested() const { return m_requested; }

private:
    void quit();

    QWidget& m_window;
    MessageBoxErrorReport* m_errors;
    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};
