#pragma once

#include "tray/cSysTray.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class ActivationOffer;
class ErrorReport;
class QCheckBox;
class QWidget;
class SettingsStore;

// True while the main window is hidden by minimising and not yet brought
// back through the tray icon. One for the program.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): program-wide by design
extern bool HiddenInTray;

inline const QString kTrayTip = QStringLiteral("Hushwave");
inline const QString kBalloonTitle = QStringLiteral("Hushwave");
// In the user's language.
QString balloonText();
constexpr std::int32_t kBalloonSeconds = 5;

// Whether a tray host is there to take the icon right now.
using TrayAvailability = std::function<bool()>;
bool systemTrayAvailable();

// The properties the main window's tray control was saved with: not in the
// tray, the blue T icon; the tip is given at start-up.
PropertyBag savedTrayProperties(const QIcon& trayIcon);

// The main window's side of the tray: minimising hides the window into the
// tray (with a balloon once a run), a release on the icon brings it back,
// "Start in system tray" is remembered, and closing takes the icon away.
//
// The window wires the icon's release and Check8's toggle to their handlers;
// the window's state changes are watched here, where a minimise turns into a
// hide. Without a tray host a minimised window stays on the task bar instead:
// hidden, it could not be brought back.
class MinimizeToTray : public QObject
{
    Q_OBJECT
public:
    MinimizeToTray(QWidget& form, cSysTray& cSysTray1, QCheckBox* Check8, SettingsStore& settings,
                   ErrorReport& report, TrayAvailability trayAvailable = systemTrayAvailable,
                   QObject* parent = nullptr);
    ~MinimizeToTray() override;
    // Where the desktop's leave to bring the window forward is kept.
    void setActivationOffer(ActivationOffer* offer) { m_offer = offer; }

    // Load step: Check8 from "Minimized" ("On" exactly checks it). A change
    // of value runs Check8_Click, whose failure is the caller's.
    void restoreCheck8();
    // Load step: the window will be shown minimised and then go to the tray.
    void minimizeAtStart();

    // Handlers.
    void Form_Resize();
    void cSysTray1_MouseUp(std::int16_t Button, std::int32_t Id);
    void Check8_Click();
    // Guarded; the caller always lets the window close afterwards.
    void Form_QueryUnload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void queueResize();

    QWidget& m_form;
    cSysTray& m_tray;
    ActivationOffer* m_offer = nullptr;
    QPointer<QCheckBox> m_check8;
    SettingsStore& m_settings;
    ErrorReport& m_report;
    TrayAvailability m_trayAvailable;
};
