#include "common/Guard.h"
#include "support/Fakes.h"
#include "support/TempConfig.h"
#include "system/mStartUp.h"
#include "system/Registry.h"
#include "system/RegStuff.h"
#include "system/StartUpOption.h"

#include <gtest/gtest.h>
#include <optional>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

namespace
{

// As the window wires it: a click runs the handler, and a failure stops at
// Qt's edge.
void wireCheck4(QCheckBox* check4, StartUpOption& option)
{
    QObject::connect(check4, &QCheckBox::clicked, check4,
                     [&option] { atQtEdge("Check4_Click", [&option] { option.Check4_Click(); }); });
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString keyOf(const QString& entry, const QString& key)
{
    for (const QString& line : entry.split(u'\n')) {
        if (line.startsWith(key + "="))
            return line.mid(key.size() + 1);
    }
    return {};
}

// Reads an Exec value back by the Desktop Entry rules: string escapes first,
// then the quoting of arguments, then %% for a literal percent sign.
std::optional<QStringList> parseExec(const QString& raw)
{
    QString value;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != u'\\') {
            value += raw[i];
            continue;
        }
        if (++i == raw.size())
            return std::nullopt;
        const QChar c = raw[i];
        value += c == u'n'   ? QChar(u'\n')
                 : c == u't' ? QChar(u'\t')
                 : c == u'r' ? QChar(u'\r')
                 : c == u's' ? QChar(u' ')
                             : c;
    }
    QStringList args;
    QString arg;
    bool inArg = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'"') {
            inArg = true;
            for (++i; i < value.size() && value[i] != u'"'; ++i) {
                // Strict: ` and $ must be escaped, and only the four may be.
                if (value[i] == u'`' || value[i] == u'$')
                    return std::nullopt;
                if (value[i] == u'\\') {
                    if (++i == value.size())
                        return std::nullopt;
                    if (!QString("\"`$\\").contains(value[i]))
                        return std::nullopt;
                }
                arg += value[i];
            }
            if (i == value.size())
                return std::nullopt; // unterminated
        } else if (c == u' ') {
            if (inArg)
                args << arg;
            arg.clear();
            inArg = false;
        } else {
            inArg = true;
            arg += c;
        }
    }
    if (inArg)
        args << arg;
    for (QString& a : args) {
        QString out;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (a[i] == u'%') {
                if (i + 1 == a.size() || a[i + 1] != u'%')
                    return std::nullopt; // a field code would be expanded
                ++i;
            }
            out += a[i];
        }
        a = out;
    }
    return args;
}

struct Window {
    Window()
    {
        check4 = new QCheckBox("Load this software on Windows startup", &window);
        check8 = new QCheckBox("Start in system tray", &window);
    }
    QWidget window;
    QCheckBox* check4;
    QCheckBox* check8;
};

class StartUpTest : public ::testing::Test
{
protected:
    QString machineEntry(const QString& name) const
    {
        return config.system() + "/autostart/" + name + ".desktop";
    }
    QString userEntry(const QString& name) const
    {
        return config.home() + "/autostart/" + name + ".desktop";
    }
    // A fake program file, so the entry names something that exists.
    QString makeProgram(const QString& relative)
    {
        const QString path = programs.path() + "/" + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$0\" > \"$HW_MARK\"\n");
        f.close();
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    // The machine-wide folder under a regular file cannot be created, even
    // as root.
    void blockMachineWide()
    {
        QFile blocker(config.system() + "/blocker");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_DIRS", (blocker.fileName() + "/xdg:" + config.system()).toUtf8());
    }

    TempConfig config;
    const std::unique_ptr<Registry> registry = makeSystemRegistry();
    QTemporaryDir programs;
    MemorySettingsStore store;
    bool loading = false;
    int check8Clicks = 0;
};

TEST_F(StartUpTest, CheckingWritesAQuotedEntryForTheRunningExecutable)
{
    Window w;
    // The platform registry and our own executable, as the program uses them.
    const QString self = QCoreApplication::applicationFilePath();
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, [&] { ++check8Clicks; }, *registry,
        self);
    wireCheck4(w.check4, option);
    w.check8->setVisible(false);

    w.check4->click();

    const QString name = QFileInfo(self).fileName();
    const QString entry = readFile(machineEntry(name));
    ASSERT_FALSE(entry.isEmpty()) << qPrintable(machineEntry(name));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_EQ(keyOf(entry, "Type"), "Application");
    EXPECT_EQ(keyOf(entry, "Name"), "Hushwave");
    EXPECT_EQ(keyOf(entry, "Icon"), "io.github.hushwave.Hushwave");
    EXPECT_EQ(keyOf(entry, "X-GNOME-Autostart-enabled"), "true");
    // Started after the panel, where the desktop supports it.
    EXPECT_EQ(keyOf(entry, "X-GNOME-Autostart-Delay"), "5");
    EXPECT_EQ(keyOf(entry, "X-KDE-autostart-phase"), "2");
    EXPECT_EQ(keyOf(entry, "Exec"), "\"" + self + "\"");
    EXPECT_EQ(parseExec(keyOf(entry, "Exec")), QStringList{self});
    EXPECT_FALSE(QFile::exists(userEntry(name)));

    EXPECT_EQ(store.saves, QStringList{"Windows Startup=On"});
    EXPECT_FALSE(w.check8->isHidden());
    EXPECT_EQ(check8Clicks, 0);

    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess p;
        p.start(validator, {machineEntry(name)});
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().constData();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
}

TEST_F(StartUpTest, UncheckingRemovesBothEntriesAndClearsAndHidesCheck8)
{
    Window w;
    const QString program = makeProgram("hushwave");
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, [&] { ++check8Clicks; }, *registry,
        program);
    wireCheck4(w.check4, option);
    int check8Signals = 0;
    QObject::connect(w.check8, &QCheckBox::toggled, [&] { ++check8Signals; });

    w.check4->click();
    w.check8->setChecked(true);
    check8Signals = 0;
    // A per-user entry left from a time the machine-wide one was refused.
    ASSERT_TRUE(RegStuff::SetRegKeyValue(*registry, Hive::CurrentUser, RegStuff::RunKeyPath,
                                         "hushwave", "x", RegType::String) == RegResult::Success);
    ASSERT_TRUE(QFile::exists(machineEntry("hushwave")));
    ASSERT_TRUE(QFile::exists(userEntry("hushwave")));

    w.check4->click();

    EXPECT_FALSE(QFile::exists(machineEntry("hushwave")));
    EXPECT_FALSE(QFile::exists(userEntry("hushwave")));
    EXPECT_FALSE(w.check8->isChecked());
    EXPECT_TRUE(w.check8->isHidden());
    EXPECT_EQ(check8Clicks, 1);  // its handling ran once, by the callback
    EXPECT_EQ(check8Signals, 0); // and not a second time through a signal
    EXPECT_EQ(store.saves, (QStringList{"Windows Startup=On", "Windows Startup=Off"}));

    // Checking again shows Check8, still clear; clearing a clear Check8
    // runs nothing of its.
    w.check4->click();
    EXPECT_FALSE(w.check8->isHidden());
    EXPECT_FALSE(w.check8->isChecked());
    w.check4->click();
    EXPECT_EQ(check8Clicks, 1);
    EXPECT_TRUE(w.check8->isHidden());
}

TEST_F(StartUpTest, UnwritableMachineWideFolderGivesThePerUserEntry)
{
    blockMachineWide();
    Window w;
    const QString program = makeProgram("hushwave");
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, {}, *registry, program);
    wireCheck4(w.check4, option);

    w.check4->click();
    EXPECT_TRUE(w.check4->isChecked());
    EXPECT_EQ(parseExec(keyOf(readFile(userEntry("hushwave")), "Exec")), QStringList{program});
    EXPECT_FALSE(QFile::exists(config.system() + "/autostart/hushwave.desktop"));

    w.check4->click();
    EXPECT_FALSE(QFile::exists(userEntry("hushwave")));
    EXPECT_EQ(store.saves, (QStringList{"Windows Startup=On", "Windows Startup=Off"}));
}

TEST_F(StartUpTest, AMachineWideEntryThatCannotBeRemovedIsHiddenForThisUser)
{
    const QString program = makeProgram("hushwave");
    // Something in the machine-wide place that no remove() takes away.
    ASSERT_TRUE(QDir().mkpath(machineEntry("hushwave") + "/stuck"));

    mStartUp::DisableStartUp(*registry, program);
    const QString mask = readFile(userEntry("hushwave"));
    EXPECT_EQ(keyOf(mask, "Hidden"), "true");
    EXPECT_TRUE(keyOf(mask, "Exec").isEmpty());
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        EXPECT_EQ(QProcess::execute(validator, {userEntry("hushwave")}), 0);
    }

    // Checking again: the machine-wide write fails too, and the user's own
    // entry replaces the mask.
    ASSERT_TRUE(mStartUp::EnableStartUp(*registry, program));
    const QString entry = readFile(userEntry("hushwave"));
    EXPECT_TRUE(keyOf(entry, "Hidden").isEmpty());
    EXPECT_EQ(parseExec(keyOf(entry, "Exec")), QStringList{program});
}

// An entry that stays (here the user's, which no remove() takes away, and
// then the machine-wide one whose mask cannot be written): the box stays
// ticked, the setting says so, and the user is told why.
TEST_F(StartUpTest, AnEntryThatCannotBeRemovedLeavesTheBoxTickedAndSaysWhy)
{
    Window w;
    RecordingErrorReport errors;
    const QString program = makeProgram("hushwave");
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, [&] { ++check8Clicks; }, *registry,
        program, &errors);
    wireCheck4(w.check4, option);

    w.check4->click();
    ASSERT_TRUE(QFile::exists(machineEntry("hushwave")));
    ASSERT_TRUE(QDir().mkpath(userEntry("hushwave") + "/stuck"));
    w.check4->click();
    EXPECT_TRUE(w.check4->isChecked());
    EXPECT_FALSE(w.check8->isHidden());
    EXPECT_EQ(store.saves,
              (QStringList{"Windows Startup=On", "Windows Startup=Off", "Windows Startup=On"}));
    ASSERT_EQ(errors.notices.size(), 1);
    EXPECT_TRUE(errors.notices[0].contains("could not be removed"))
        << qPrintable(errors.notices[0]);
    EXPECT_TRUE(errors.notices[0].contains(program));

    ASSERT_TRUE(QDir(userEntry("hushwave")).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(machineEntry("hushwave") + "/stuck"));
    ASSERT_TRUE(QDir().mkpath(config.home() + "/autostart/hushwave.desktop/stuck"));
    EXPECT_FALSE(mStartUp::DisableStartUp(*registry, program)) << "no mask either";
    ASSERT_TRUE(QDir(userEntry("hushwave")).removeRecursively());
    EXPECT_TRUE(mStartUp::DisableStartUp(*registry, program)) << "masked";
    w.check4->click();
    EXPECT_FALSE(w.check4->isChecked()) << "gone for this user";
    EXPECT_EQ(errors.notices.size(), 1);
}

TEST_F(StartUpTest, AMachineWideWriteDropsThePerUserDuplicate)
{
    const QString program = makeProgram("hushwave");
    blockMachineWide();
    ASSERT_TRUE(mStartUp::EnableStartUp(*registry, program));
    ASSERT_TRUE(QFile::exists(userEntry("hushwave")));

    // Later the machine-wide place can be written (say, by an administrator).
    qputenv("XDG_CONFIG_DIRS", config.system().toUtf8());
    ASSERT_TRUE(mStartUp::EnableStartUp(*registry, program));
    EXPECT_TRUE(QFile::exists(machineEntry("hushwave")));
    EXPECT_FALSE(QFile::exists(userEntry("hushwave")));
}

TEST_F(StartUpTest, NothingIsTouchedWhileTheWindowLoads)
{
    Window w;
    const QString program = makeProgram("hushwave");
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, [&] { ++check8Clicks; }, *registry,
        program);
    wireCheck4(w.check4, option);
    w.check8->setChecked(true);

    // As the load step sets the box from "Windows Startup" and runs its
    // handler, here with "On" and then "Off".
    loading = true;
    w.check4->setChecked(true);
    option.Check4_Click();
    w.check4->setChecked(false);
    option.Check4_Click();
    loading = false;

    EXPECT_FALSE(QDir(config.system() + "/autostart").exists("hushwave.desktop"));
    EXPECT_FALSE(QDir(config.home() + "/autostart").exists("hushwave.desktop"));
    EXPECT_TRUE(store.saves.isEmpty());
    EXPECT_TRUE(w.check8->isChecked());
    EXPECT_FALSE(w.check8->isHidden());
    EXPECT_EQ(check8Clicks, 0);
}

TEST_F(StartUpTest, AFailedSaveStillKeepsTheEntryInStepWithTheBox)
{
    Window w;
    const QString program = makeProgram("hushwave");
    StartUpOption option(
        w.check4, w.check8, store, [&] { return loading; }, {}, *registry, program);
    store.failSaves = true;

    w.check4->setChecked(true);
    EXPECT_THROW(option.Check4_Click(), Failure);
    EXPECT_TRUE(QFile::exists(machineEntry("hushwave")));

    w.check4->setChecked(false);
    EXPECT_THROW(option.Check4_Click(), Failure);
    EXPECT_FALSE(QFile::exists(machineEntry("hushwave")));

    // Wired to Qt, the failure stops at the edge.
    wireCheck4(w.check4, option);
    EXPECT_NO_THROW(w.check4->click());
    EXPECT_TRUE(QFile::exists(machineEntry("hushwave")));
}

TEST_F(StartUpTest, ARunValueIsNamedAfterAndPointsToTheGivenExecutableOnly)
{
    // Another executable in the same folder, which a folder listing would
    // have delivered first.
    makeProgram("aaa-other");
    const QString program = makeProgram("hushwave");
    ASSERT_TRUE(mStartUp::EnableStartUp(*registry, program));
    EXPECT_EQ(QDir(config.system() + "/autostart").entryList(QDir::Files),
              QStringList{"hushwave.desktop"});

    // Nothing to remove is no failure, and an empty path touches nothing.
    mStartUp::DisableStartUp(*registry, program);
    mStartUp::DisableStartUp(*registry, program);
    EXPECT_EQ(
        RegStuff::DeleteRegValue(*registry, Hive::LocalMachine, RegStuff::RunKeyPath, "hushwave"),
        RegResult::FileNotFound);
    EXPECT_FALSE(mStartUp::EnableStartUp(*registry, QString()));
    EXPECT_TRUE(QDir(config.system() + "/autostart").entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QDir(config.home() + "/autostart").entryList(QDir::Files).isEmpty());
}

TEST_F(StartUpTest, PathsWithAwkwardCharactersSurviveTheQuoting)
{
    const QStringList paths = {
        "/opt/My Apps/hushwave",          "/opt/say \"hi\"/hushwave",
        "/opt/$HOME and `date`/hushwave", "/opt/back\\slash\\/hushwave",
        "/opt/100% quiet/%f %u/hushwave", "/opt/two  spaces\ttab/hushwave",
        "/opt/line\nbreak/hushwave",      "/opt/=; & | < > ~ * ? # ( ) '/hushwave",
        "/opt/Stille Nächte ☾/hushwave",
    };
    for (const QString& path : paths) {
        ASSERT_TRUE(RegStuff::AddRunEntry(*registry, path));
        const QString entry = readFile(machineEntry("hushwave"));
        const QString exec = keyOf(entry, "Exec");
        // A path with a % is started through a wrapper that changes nothing.
        const QStringList expected =
            path.contains(u'%') ? QStringList{"nice", "-n", "0", path} : QStringList{path};
        EXPECT_EQ(parseExec(exec), expected) << qPrintable(exec);
        // The whole entry stays one line per key.
        EXPECT_EQ(entry.count(u'\n'), 10) << qPrintable(entry);
    }
}

// Independent readers of the entry: GLib launches it as a desktop would, and
// systemd's generator turns it into a unit. Both look for the program under
// its written name, which once kept a folder with a % from ever starting.
TEST_F(StartUpTest, TheEntryStartsTheProgramItNames)
{
    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        GTEST_SKIP() << "gio is not installed";
    const QString generator = "/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator";
    const QString mark = programs.path() + "/mark";
    qputenv("HW_MARK", mark.toUtf8());
    for (const QString relative :
         {"a \"quoted\" $dir with `ticks`/my hushwave", "100% quiet, a=b/%f %u/hushwave"}) {
        SCOPED_TRACE(qPrintable(relative));
        const QString program = makeProgram(relative);
        const QString name = QFileInfo(program).fileName();
        QFile::remove(mark);
        ASSERT_TRUE(mStartUp::EnableStartUp(*registry, program));

        QProcess p;
        const QString validate = QStandardPaths::findExecutable("desktop-file-validate");
        if (!validate.isEmpty()) {
            p.start(validate, {machineEntry(name)});
            ASSERT_TRUE(p.waitForFinished());
            EXPECT_EQ(p.exitCode(), 0);
            EXPECT_EQ(p.readAllStandardOutput(), "");
        }
        p.start(gio, {"launch", machineEntry(name)});
        ASSERT_TRUE(p.waitForFinished());
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        for (int i = 0; i < 50 && !QFile::exists(mark); ++i)
            QThread::msleep(100);
        EXPECT_EQ(readFile(mark), program);

        // systemd quotes the first path its own way; the second is the one it refused.
        if (program.contains(u'%') && QFileInfo(generator).isExecutable()) {
            QTemporaryDir units;
            p.start(generator, {units.path(), units.path(), units.path()});
            ASSERT_TRUE(p.waitForFinished());
            const QStringList made = QDir(units.path()).entryList({"*.service"});
            const QString unit = made.size() == 1 ? readFile(units.path() + "/" + made[0]) : "";
            // systemd writes a literal % as %%.
            EXPECT_TRUE(unit.contains(QString(program).replace("%", "%%")))
                << "no unit, or one that starts something else: " << qPrintable(unit)
                << p.readAllStandardError().constData();
        }
        mStartUp::DisableStartUp(*registry, program);
    }
}

TEST(RegistryFacade, OnlyTheRunKeyOpensAndOnlyStringsAreWritten)
{
    TempConfig config;
    const std::unique_ptr<Registry> made = makeSystemRegistry();
    Registry& registry = *made;
    RegStatus status = RegResult::Success;
    EXPECT_EQ(registry.openKey(Hive::LocalMachine, "SOFTWARE\\Other", &status), nullptr);
    EXPECT_EQ(status, RegResult::FileNotFound);

    // The key path is matched as Windows matches it: any case, trailing
    // backslash or not.
    auto key = registry.openKey(Hive::CurrentUser,
                                "Software\\Microsoft\\Windows\\CurrentVersion\\Run", &status);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(status, RegResult::Success);
    EXPECT_EQ(key->setValue("../escape", RegType::String, "x"), RegResult::InvalidParameter);
    EXPECT_EQ(key->setValue("", RegType::String, "x"), RegResult::InvalidParameter);
    EXPECT_EQ(RegStuff::SetRegValueEx(*key, "n", static_cast<RegType>(4), 7),
              RegResult::InvalidParameter);
    EXPECT_EQ(RegStuff::SetRegValueEx(*key, "n", RegType::String, 7), RegResult::Success);
    EXPECT_EQ(keyOf(readFile(config.home() + "/autostart/n.desktop"), "Exec"), "7");
    EXPECT_FALSE(QFile::exists(config.home() + "/escape.desktop"));
}

TEST(RegistryFacade, MachineWideIsTheFirstAbsoluteConfigDir)
{
    TempConfig config;
    QTemporaryDir second;
    qputenv("XDG_CONFIG_DIRS", ("relative/dir::" + config.system() + ":" + second.path()).toUtf8());
    const std::unique_ptr<Registry> registry = makeSystemRegistry();
    ASSERT_TRUE(RegStuff::SetRegKeyValue(*registry, Hive::LocalMachine, RegStuff::RunKeyPath, "v",
                                         "d", RegType::String) == RegResult::Success);
    EXPECT_TRUE(QFile::exists(config.system() + "/autostart/v.desktop"));
    EXPECT_FALSE(QFile::exists(second.path() + "/autostart/v.desktop"));
    EXPECT_FALSE(QDir("relative").exists());
}

} // namespace
