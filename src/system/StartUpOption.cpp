#include "system/StartUpOption.h"

#include "common/ErrorReport.h"
#include "common/Logging.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "system/mStartUp.h"
#include "system/Registry.h"

#include <exception>
#include <QCheckBox>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <QtGlobal>

StartUpOption::StartUpOption(QCheckBox* check4, QCheckBox* check8, SettingsStore& store,
                             std::function<bool()> loading, std::function<void()> check8Click,
                             Registry& registry, QString executable, ErrorReport* errors)
    : m_check4(check4), m_check8(check8), m_store(store), m_loading(std::move(loading)),
      m_check8Click(std::move(check8Click)), m_registry(registry),
      m_executable(std::move(executable)), m_errors(errors)
{
}

// The log in English, the box in the user's language.
void StartUpOption::tell(const char* text) const
{
    QString logged = QString::fromUtf8(text);
    QString shown = QCoreApplication::translate("StartUpOption", text);
    if (!m_executable.isEmpty()) {
        logged = logged.arg(m_executable);
        shown = shown.arg(m_executable);
    }
    qCWarning(desktopLog, "Check4_Click: %s", qPrintable(logged));
    if (m_errors)
        m_errors->notify(shown);
}

void StartUpOption::Check4_Click()
{
    // The load step sets the box from the stored choice; that must not touch
    // the logon entry or Check8.
    if (m_loading && m_loading())
        return;

    // The box, not the store, is what the user sees: the entry follows the
    // box even when a step before it fails, and the first failure goes on.
    std::exception_ptr failure;
    const auto attempt = [&](const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    };
    const auto save = [&](const char* value) {
        attempt([&] { m_store.save(Key::WindowsStartup, value); });
    };

    if (m_check4->isChecked()) {
        m_check8->setVisible(true);
        save("On");
        if (!mStartUp::EnableStartUp(m_registry, m_executable)) {
            // A tick that starts nothing at logon would say the opposite of
            // what is so: the box is cleared and the user told why.
            {
                const QSignalBlocker hold(m_check4);
                m_check4->setChecked(false);
            }
            save("Off");
            const char* const text =
                m_executable.isEmpty()
                    ? QT_TRANSLATE_NOOP("StartUpOption",
                                        "No logon entry can be written: the path of the "
                                        "program's folder is not UTF-8 text, which a logon entry "
                                        "must be. Move the program to a folder with a UTF-8 name.")
                    : QT_TRANSLATE_NOOP("StartUpOption", "No logon entry could be written for %1: "
                                                         "the autostart folder is not writable.");
            tell(text);
        }
    } else {
        if (m_check8->isChecked()) {
            // Held signals: Check8's handling runs once, through the callback,
            // however Form1 wired the box.
            {
                const QSignalBlocker hold(m_check8);
                m_check8->setChecked(false);
            }
            if (m_check8Click)
                attempt(m_check8Click);
        }
        m_check8->setVisible(false);
        save("Off");
        if (!mStartUp::DisableStartUp(m_registry, m_executable)) {
            // An entry that still starts the program at logon: the box says
            // so, and the user is told why.
            {
                const QSignalBlocker hold(m_check4);
                m_check4->setChecked(true);
            }
            m_check8->setVisible(true);
            save("On");
            tell(QT_TRANSLATE_NOOP(
                "StartUpOption", "The logon entry for %1 could not be removed: the autostart "
                                 "folder is not writable, so the program still starts at logon."));
        }
    }

    if (failure)
        std::rethrow_exception(failure);
}
