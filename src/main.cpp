#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "app/MessageBoxErrorReport.h"
#include "app/QuitOnSignal.h"
#include "app/SystemClock.h"
#include "playback/engine/AudioPlayer.h"
#include "system/Registry.h"
#include "system/SoundLibrary.h"
#include "tray/QtTrayShell.h"

#include <QApplication>

// The one place that picks the concrete parts the window works through.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Ties the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName("io.github.hushwave.Hushwave");
    SystemClock clock;
    IniSettingsStore settings;
    AudioPlayer player;
    MessageBoxErrorReport errors;
    QtTrayShell trayShell;

    Form1 form(
        PlaybackServices{settings, player, errors, clock, QCoreApplication::applicationDirPath()},
        FormBackEnds{trayShell, systemTrayAvailable, systemRegistry(),
                     QCoreApplication::applicationFilePath(), GetFileList, userDataFolder()});
    errors.setParent(&form);
    settings.setErrorReport(&errors);
    QuitOnSignal quitOnSignal(form, &errors);
    form.Form_Load();
    if (quitOnSignal.requested()) {
        // Ended while loading (an error box waited): the window never shows.
        form.close();
        return 0;
    }
    form.show();
    return app.exec();
}
