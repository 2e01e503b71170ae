#include "app/QuitOnSignal.h"

#include "app/MessageBoxErrorReport.h"

#include <QCoreApplication>
#include <QWidget>

#include <csignal>
#include <QSocketNotifier>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
// A signal handler may only write to a descriptor; the event loop reads it.
// The handler reaches nothing but globals.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}
} // namespace

QuitOnSignal::QuitOnSignal(QWidget& window, MessageBoxErrorReport* errors)
    : m_window(window), m_errors(errors)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto read = ::read(signalPipe[1], &byte, 1);
        quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal()
{
    // Once ending on a signal, a second one must not turn the clean exit
    // into a kill while the rest of the program winds down.
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::signal(signal, m_requested ? SIG_IGN : SIG_DFL);
    for (int& fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void QuitOnSignal::quit()
{
    if (m_requested)
        return; // already ending
    m_requested = true;
    // The box that waits for OK goes, and no other opens.
    if (m_errors)
        m_errors->stop();
    // A window hidden in the tray still gets its close, so the icon goes too.
    m_window.close();
    // Every loop ends, the nested one of a box or a balloon's wait too.
    // Before the main loop runs this does nothing: see requested().
    QCoreApplication::exit(0);
}
