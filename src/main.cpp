#include "app/Clock.h"
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "app/QuitOnSignal.h"
#include "app/SettingsStore.h"
#include "playback/engine/AudioPlayer.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    SystemClock clock;
    IniSettingsStore settings;
    AudioPlayer player;
    MessageBoxErrorReport errors;

    Form1 form(
        FormServices{settings, player, errors, clock, QCoreApplication::applicationDirPath()});
    errors.setParent(&form);
    QuitOnSignal quitOnSignal(form);
    form.Form_Load();
    form.show();
    return app.exec();
}
