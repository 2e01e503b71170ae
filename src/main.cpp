#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "app/MessageBoxErrorReport.h"
#include "app/QuitOnSignal.h"
#include "app/SystemClock.h"
#include "playback/engine/AudioPlayer.h"
#include "playback/engine/PulseOutput.h"
#include "system/Registry.h"
#include "system/SoundLibrary.h"
#include "tray/QtTrayShell.h"

#include <QApplication>

// The one place that picks the concrete parts the window works through.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SystemClock clock;
    IniSettingsStore settings;
    AudioPlayer player(openServerOrSdlOutput);
    MessageBoxErrorReport errors;
    QtTrayShell trayShell;

    Form1 form(
        PlaybackServices{settings, player, errors, clock, QCoreApplication::applicationDirPath()},
        FormBackEnds{trayShell, systemTrayAvailable, systemRegistry(),
                     QCoreApplication::applicationFilePath(), GetFileList});
    errors.setParent(&form);
    QuitOnSignal quitOnSignal(form);
    form.Form_Load();
    form.show();
    return app.exec();
}
