#include "app/appearance/DesktopColourScheme.h"
#include "app/Form1.h"
#include "app/IniSettingsStore.h"
#include "app/MessageBoxErrorReport.h"
#include "app/QuitOnSignal.h"
#include "app/SystemClock.h"
#include "app/Translations.h"
#include "common/ApplicationId.h"
#include "common/NativeNames.h"
#include "controls/WindowActivation.h"
#include "playback/engine/AudioPlayer.h"
#include "playback/engine/OutputChooser.h"
#include "system/desktop/DesktopSession.h"
#include "system/desktop/SingleInstance.h"
#include "system/Registry.h"
#include "system/SoundLibrary.h"
#include "tray/QtTrayShell.h"
#include "tray/StatusNotifierHost.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <climits>
#include <cstdio>

#include <unistd.h>

namespace
{
// Reads the command line before anything else starts, so --help works
// without a display and a mistake touches neither settings nor sound.
// Returns the exit status when the program should end here.
std::optional<int> commandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays soothing noise, all night or in a daily play window."));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    // Qt's own options (-platform xcb, -style ..., -display ...) are the
    // toolkit's to take; they are not ours to refuse.
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "style",
                             "stylesheet", "session", "display", "name", "title", "visual"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    const bool parsed = parser.parse(arguments);
    if (parsed && (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))) {
        // Without an application object Qt cannot name the program itself.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("hushwave"));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("hushwave %s\n", HUSHWAVE_VERSION);
        return 0;
    }
    QString error = parsed ? QString() : parser.errorText();
    if (parsed && !parser.positionalArguments().isEmpty())
        error =
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "hushwave: %s\nTry 'hushwave --help' for the options.\n",
                     qPrintable(error));
        return 2;
    }
    return std::nullopt;
}

// The executable's path as the file system holds it: Qt's own answer is
// empty for a folder whose name is not UTF-8.
QByteArray executableBytes()
{
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (size <= 0 || size == ssize_t(sizeof buffer))
        return QFile::encodeName(QCoreApplication::applicationFilePath());
    return QByteArray(buffer, size);
}
} // namespace

// The one place that picks the concrete parts the window works through.
int main(int argc, char** argv)
{
    if (const std::optional<int> status = commandLine(argc, argv))
        return *status;

    // Qt takes the startup id out of the environment as it starts.
    const QString activationToken = startupActivationToken();
    QApplication app(argc, argv);
    // Ties the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(kApplicationId);
    QCoreApplication::setApplicationVersion(QStringLiteral(HUSHWAVE_VERSION));
    // Before anything reads the settings or opens the sound: a second start
    // only shows the first one's window.
    // One player per settings file: the lock goes beside it.
    IniSettingsStore settings;
    SingleInstance instance(QStringLiteral("org.mpris.MediaPlayer2.Hushwave"),
                            SingleInstance::defaultRuntimeDir(),
                            settings.filePath() + QStringLiteral(".running"));
    if (instance.handOver(activationToken))
        return instance.answered() ? 0 : 1;

    SystemClock clock;
    const std::unique_ptr<Registry> registry = makeSystemRegistry();
    // Filled by the list, read by the player's thread: outlives both.
    NativeNames names;
    AudioPlayer player(preferredOutputs());
    MessageBoxErrorReport errors;
    // The desktop's leave to raise the window, from a second start or the tray.
    ActivationOffer activation;
    StatusNotifierHost trayHost;
    trayHost.setActivationOffer(&activation);
    QtTrayShell trayShell(&trayHost);
    // Qt's answer, or a StatusNotifierItem host that came after it asked.
    const TrayAvailability trayAvailable = [&trayHost] {
        return systemTrayAvailable() || trayHost.present();
    };

    const QByteArray executable = executableBytes();
    // One handle for the run when the folder's name is not UTF-8.
    const NativeFileName programFolderName =
        NativeFileName::open(executable.left(executable.lastIndexOf('/')));
    const QString& programFolder = programFolderName.path();
    loadTranslations(app, programFolder);
    player.setSoundFolders({programFolder + "/sounds", userDataFolder() + "/sounds"}, &names);
    // A logon entry is text: a path that text cannot hold starts nothing, and
    // the window says so when the user asks for one.
    const QString logonProgram = keepsBytes(QFile::decodeName(executable), executable)
                                     ? QFile::decodeName(executable)
                                     : QString();
    const auto listFiles = [&names](const QString& folder, const QString& pattern) {
        return listFilesKeepingNames(folder, pattern, names);
    };
    DesktopColourScheme colourScheme;
    Form1 form(PlaybackServices{settings, player, errors, clock, programFolder, &names},
               FormBackEnds{trayShell, trayAvailable, *registry, logonProgram, listFiles,
                            userDataFolder(), &activation, &colourScheme});
    errors.setParent(&form);
    settings.setErrorReport(&errors);
    QuitOnSignal quitOnSignal(form, &errors);
    DesktopSession desktop(form.desktop, instance, activation);
    form.Form_Load();
    if (quitOnSignal.requested()) {
        // Ended while loading (an error box waited): the window never shows.
        form.close();
        return 0;
    }
    form.show();
    return app.exec();
}
