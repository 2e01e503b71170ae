// The registry on freedesktop systems: the Run keys are the XDG autostart
// folders, and a Run value is an autostart entry named after the value.
#include "system/Registry.h"
#include "system/RegStuff.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{

// Relative entries are invalid by the base directory rules and are skipped.
QString firstAbsolute(const QString& list)
{
    for (const QString& entry : list.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(entry))
            return entry;
    }
    return {};
}

QString configHome()
{
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(home) ? home : QDir::homePath() + "/.config";
}

QString machineConfigDir()
{
    const QString dir = firstAbsolute(qEnvironmentVariable("XDG_CONFIG_DIRS"));
    return dir.isEmpty() ? QStringLiteral("/etc/xdg") : dir;
}

// A key path names the same key with or without trailing backslashes.
QString withoutTrailingSeparators(QString path)
{
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

bool isRunKey(const QString& path)
{
    return withoutTrailingSeparators(path).compare(withoutTrailingSeparators(RegStuff::RunKeyPath),
                                                   Qt::CaseInsensitive) == 0;
}

// A value name becomes a file name: nothing that could leave the folder.
bool validName(const QString& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

// The escapes of a Desktop Entry string value.
QString escapeValue(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    if (out.startsWith(u' '))
        out.replace(0, 1, "\\s");
    return out;
}

class AutostartFolder : public RegistryKey
{
public:
    explicit AutostartFolder(QString dir) : m_dir(std::move(dir)) {}

    RegStatus setValue(const QString& name, RegType type, const QString& data) override
    {
        if (type != RegType::String)
            return RegResult::InvalidParameter;
        return writeEntry(name, data, false);
    }

    // An entry of the same name in a user's folder takes the place of the
    // machine-wide one; a hidden one means "not for me".
    RegStatus hideValue(const QString& name) { return writeEntry(name, QString(), true); }

    RegStatus deleteValue(const QString& name) override
    {
        if (!validName(name))
            return RegResult::InvalidParameter;
        QFile file(pathOf(name));
        if (!file.exists())
            return RegResult::FileNotFound;
        return file.remove() ? RegResult::Success : RegResult::AccessDenied;
    }

private:
    QString pathOf(const QString& name) const { return m_dir + "/" + name + ".desktop"; }

    RegStatus writeEntry(const QString& name, const QString& command, bool hidden)
    {
        if (!validName(name))
            return RegResult::InvalidParameter;
        QString entry = QStringLiteral("[Desktop Entry]\n"
                                       "Type=Application\n"
                                       "Name=Hushwave\n"
                                       "Comment=Plays noise to sleep by\n");
        if (hidden)
            entry += QStringLiteral("Hidden=true\n");
        else
            entry += QStringLiteral("Exec=%1\n"
                                    "Icon=io.github.hushwave.Hushwave\n"
                                    "Terminal=false\n"
                                    "X-GNOME-Autostart-enabled=true\n"
                                    // After the panel, so the tray icon has a host.
                                    "X-GNOME-Autostart-Delay=5\n"
                                    "X-KDE-autostart-phase=2\n")
                         .arg(escapeValue(command));
        // Written aside and renamed into place: a session starting meanwhile
        // sees the old entry or the new one, never half of one.
        QSaveFile file(pathOf(name));
        if (!file.open(QIODevice::WriteOnly))
            return RegResult::AccessDenied;
        const QByteArray bytes = entry.toUtf8();
        if (file.write(bytes) != bytes.size() || !file.commit())
            return RegResult::WriteFault;
        return RegResult::Success;
    }

    QString m_dir;
};

class XdgRegistry : public Registry
{
public:
    std::unique_ptr<RegistryKey> openKey(Hive hive, const QString& path, RegStatus* status) override
    {
        RegStatus result = RegResult::Success;
        std::unique_ptr<AutostartFolder> key;
        if (!isRunKey(path)) {
            result = RegResult::FileNotFound;
        } else {
            const QString dir =
                (hive == Hive::LocalMachine ? machineConfigDir() : configHome()) + "/autostart";
            // The Run key always exists on Windows; its folder may not yet.
            // Rights are the writes' business: a folder we may not change
            // still tells what is in it.
            // A folder that cannot be made holds no values either.
            if (QDir().mkpath(dir))
                key = std::make_unique<AutostartFolder>(dir);
            else
                result = RegResult::FileNotFound;
        }
        if (status)
            *status = result;
        return key;
    }

    RegStatus suppressForUser(const QString& valueName) override
    {
        RegStatus status = RegResult::Success;
        auto key = openKey(Hive::CurrentUser, RegStuff::RunKeyPath, &status);
        return key ? static_cast<AutostartFolder&>(*key).hideValue(valueName) : status;
    }

    // Desktop Entry Exec rules: one quoted argument with a backslash before
    // each ", `, $ and backslash. A % is written %% outside the quotes: a
    // field code inside a quoted argument is undefined, and GLib and systemd
    // look for the program under its unexpanded name, so a path that holds
    // one is started through `nice -n 0` (env would take an = in the path
    // for a variable).
    QString commandLineFor(const QString& program) const override
    {
        QString out = QStringLiteral("\"");
        for (QChar c : program) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                out += u'\\';
            if (c == u'%')
                out += QStringLiteral("\"%%\"");
            else
                out += c;
        }
        out += u'"';
        return program.contains(u'%') ? QStringLiteral("nice -n 0 ") + out : out;
    }
};

} // namespace

std::unique_ptr<Registry> makeSystemRegistry()
{
    return std::make_unique<XdgRegistry>();
}
