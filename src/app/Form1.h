#pragma once

#include "app/appearance/SkinFramework.h"
#include "app/appearance/WindowPointer.h"
#include "app/Form1Controls.h"
#include "app/FormServices.h"
#include "playback/NoisePlayer.h"
#include "playback/PlayWindow.h"
#include "playback/SoundControls.h"
#include "system/StartUpOption.h"
#include "tray/cSysTray.h"
#include "tray/MinimizeToTray.h"

#include <functional>
#include <memory>
#include <optional>
#include <QStringList>
#include <QWidget>

// The main window: builds the controls as designed, wires their events to the
// subsystems' handlers, and restores everything from the settings store in
// its load step.
class Form1 : public QWidget, public Form1Controls
{
    Q_OBJECT
public:
    using FileLister = std::function<QStringList(const QString& folder, const QString& pattern)>;

    // Empty arguments take the real file system, tray and tray host.
    explicit Form1(const FormServices& services, FileLister listFiles = {},
                   std::unique_ptr<TrayShell> trayShell = {}, TrayAvailability trayAvailable = {});
    ~Form1() override;

    // The load step; never starts the sound itself.
    void Form_Load();
    bool loading() const { return m_loading; }

    static constexpr const char* kProductName = "Hushwave";

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void wireHandlers();
    QString setting(const QString& key, const QString& defaultValue) const;

    FormServices m_services;
    FileLister m_listFiles;
    bool m_loading = false;
    // Not Qt children: the icon must go through a shell that still exists.
    std::unique_ptr<TrayShell> m_trayShell;

public:
    cSysTray cSysTray1;
    SkinFramework SkinFramework1;
    std::unique_ptr<WindowPointer> pointer;
    std::unique_ptr<MinimizeToTray> minimizeToTray;
    std::unique_ptr<StartUpOption> startUpOption;
    NoisePlayer noisePlayer;
    PlayWindow playWindow;
    SoundControls soundControls;
};
