#pragma once

#include <functional>
#include <QString>

class ErrorReport;
class QCheckBox;
class Registry;
class SettingsStore;

// The "Load this software on Windows startup" check box (Check4): keeps the
// logon entry, the "Windows Startup" setting and the "Start in system tray"
// box (Check8) in step with it.
class StartUpOption
{
public:
    // `loading` answers whether the window's load step is running.
    // `check8Click` is Check8's own click handling, run when this clears Check8.
    // `executable` is what the logon entry starts (empty: nothing can be).
    // `errors` hears of a logon entry that could not be written or removed.
    StartUpOption(QCheckBox* check4, QCheckBox* check8, SettingsStore& store,
                  std::function<bool()> loading, std::function<void()> check8Click,
                  Registry& registry, QString executable, ErrorReport* errors = nullptr);

    // The click handler, which the window wires to Check4's click; code that
    // sets the box calls it itself. A failure of the store or of Check8's
    // handling is thrown on, after the logon entry has been brought in line
    // with the box.
    void Check4_Click();

private:
    // Logs a failure with the logon entry and shows it translated.
    void tell(const char* text) const;

    QCheckBox* m_check4;
    QCheckBox* m_check8;
    SettingsStore& m_store;
    std::function<bool()> m_loading;
    std::function<void()> m_check8Click;
    Registry& m_registry;
    QString m_executable;
    ErrorReport* m_errors;
};
