#pragma once

#include "app/appearance/HiddenFromScreenReaders.h"
#include "app/appearance/SkinFramework.h"
#include "app/appearance/WindowPointer.h"
#include "app/Form1Controls.h"
#include "app/Form1Desktop.h"
#include "playback/NoisePlayer.h"
#include "playback/PlaybackContext.h"
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

class ActivationOffer;
class DesktopColourScheme;
class GeneratorButton;
class Guard;
class Registry;

// The platform's parts the window works through, chosen by main().
struct FormBackEnds {
    using FileLister = std::function<QStringList(const QString& folder, const QString& pattern)>;

    // Must outlive the window: closing it takes the icon away through it.
    TrayShell& trayShell;
    TrayAvailability trayAvailable;
    Registry& registry;
    QString executable; // what a logon entry starts
    FileLister listFiles;
    // Its sounds/ is listed after the program folder's; empty for none.
    QString userFolder = {};
    // The desktop's leave to bring the window forward; none in most tests.
    ActivationOffer* activation = nullptr;
    // The desktop's wish for dark or light, from its portal; none in most
    // tests, where the platform's palette alone decides.
    DesktopColourScheme* colourScheme = nullptr;
};

// The main window: builds the controls as designed, wires every event to its
// subsystem's handler, and restores everything from the settings store in
// its load step.
class Form1 : public QWidget, public Form1Controls
{
    Q_OBJECT
public:
    Form1(const PlaybackServices& services, FormBackEnds backEnds);
    ~Form1() override;

    // The load step; never starts the sound itself.
    void Form_Load();
    bool loading() const { return m_loading; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void wireHandlers();
    // Light or dark, as the desktop asks, unless a skin took over.
    void applyColourScheme();
    // The caption's state, told to screen readers as the button's checked state.
    void showGeneratorState();
    QString setting(const QString& key, const QString& defaultValue) const;
    void addUserStyles(Guard& guard);

    PlaybackServices m_services;
    FormBackEnds m_backEnds;
    bool m_loading = false;
    HiddenFromScreenReaders m_hidden;
    GeneratorButton* m_generatorButton = nullptr;

public:
    // What the desktop's panels and media keys act through.
    Form1Desktop desktop{*this, m_services.player};
    cSysTray cSysTray1;
    SkinFramework SkinFramework1;
    std::unique_ptr<WindowPointer> pointer;
    std::unique_ptr<MinimizeToTray> minimizeToTray;
    std::unique_ptr<StartUpOption> startUpOption;
    NoisePlayer noisePlayer;
    PlayWindow playWindow;
    SoundControls soundControls;
};
