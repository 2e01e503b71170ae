// The settings file under a writer killed at random moments, and under two
// processes writing one file at once. The writing is done by
// reliability_settings_writer, a separate process built beside this test.
#include "support/TempConfig.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <iostream>
#include <map>
#include <random>
#include <thread>

namespace
{

const QStringList kKeys = {"Combo1",    "Volume",  "Pitch",  "Windows Startup", "Minimized",
                           "Time From", "Time To", "Option", "StartStopState"};

QString writerPath()
{
    return QCoreApplication::applicationDirPath() + "/reliability_settings_writer";
}

int killRounds()
{
    bool ok = false;
    const int rounds = qEnvironmentVariableIntValue("HUSHWAVE_KILL_ROUNDS", &ok);
    return ok && rounds > 0 ? rounds : 60;
}

struct Dump {
    int status = -1;
    std::map<QString, QString> values;
};

// Reads the file back in a fresh process, through the program's own store.
QByteArray readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

Dump dump()
{
    QProcess reader;
    reader.start(writerPath(), {"dump"});
    Dump result;
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        ADD_FAILURE() << "the reader did not finish: "
                      << reader.readAllStandardError().toStdString();
        return result;
    }
    for (const QString& line : QString::fromLocal8Bit(reader.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("status "))
            result.status = line.mid(7).toInt();
        else if (const qsizetype eq = line.indexOf('='); eq > 0)
            result.values[line.left(eq)] = line.mid(eq + 1);
    }
    return result;
}

// Rounds of the keys, in key order; empty when a key is missing or holds a
// value no writer wrote.
std::vector<long> roundsOf(const Dump& d, const QString& tag, const QStringList& keys)
{
    static const QRegularExpression written("^([A-Z])-(\\d{6})$");
    std::vector<long> rounds;
    for (const QString& key : keys) {
        const auto it = d.values.find(key);
        if (it == d.values.end())
            return {};
        const auto match = written.match(it->second);
        if (!match.hasMatch() || match.captured(1) != tag)
            return {};
        rounds.push_back(match.captured(2).toLong());
    }
    return rounds;
}

std::string describe(const Dump& d)
{
    std::string text = "status " + std::to_string(d.status);
    for (const auto& [key, value] : d.values)
        text += "; " + key.toStdString() + "=" + value.left(40).toStdString();
    return text;
}

TEST(SettingsUnderKill, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewFile)
{
    TempConfig config;
    QProcess first;
    first.start(writerPath(), QStringList{"count", "W", "1"} + kKeys);
    ASSERT_TRUE(first.waitForFinished(30000));
    ASSERT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(0, 60);
    long lastFirstRound = 1;
    int emptyLocks = 0;
    const QString lock = config.settingsFile() + ".lock";
    const int rounds = killRounds();
    for (int i = 0; i < rounds; ++i) {
        const QByteArray before = readAll(config.settingsFile());
        QProcess writer;
        writer.start(writerPath(), QStringList{"loop", "W"} + kKeys);
        ASSERT_TRUE(writer.waitForReadyRead(30000)) << "writer did not start";
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
        // At least one new value on disk first, however slow the machine:
        // a kill before any save would prove nothing.
        QElapsedTimer waited;
        waited.start();
        while (readAll(config.settingsFile()) == before && waited.elapsed() < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished(30000);
        // Qt takes a lock file without its owner's pid as stale only after
        // 30 s, and holds every save until then: count how often a kill
        // leaves one, and clear it so the loop goes on writing.
        if (QFileInfo(lock).exists() && QFileInfo(lock).size() == 0) {
            ++emptyLocks;
            QFile::remove(lock);
        }

        const Dump d = dump();
        ASSERT_EQ(d.status, 0) << "kill " << i << " (seed " << seed << "): " << describe(d);
        const std::vector<long> r = roundsOf(d, "W", kKeys);
        ASSERT_EQ(r.size(), size_t(kKeys.size())) << "kill " << i << ": " << describe(d);
        // Keys are written in order, one round after the other: a whole file
        // holds one round, or the next round up to some key.
        EXPECT_TRUE(std::is_sorted(r.rbegin(), r.rend()) && r.front() - r.back() <= 1)
            << "kill " << i << ": " << describe(d);
        EXPECT_GE(r.front(), lastFirstRound) << "a write was taken back, kill " << i;
        lastFirstRound = r.front();
        ASSERT_FALSE(QFile::exists(config.settingsFile() + ".bad"))
            << "the file was found damaged after kill " << i;
    }
    // A kill between writing the new file and renaming it over the old one
    // leaves that new file behind; nothing else may appear.
    static const QRegularExpression saveFileTemp("^Tarnwell\\.ini\\.[A-Za-z0-9]{6}$");
    int leftovers = 0;
    for (const QString& name : QDir(config.home()).entryList(QDir::Files | QDir::Hidden)) {
        if (name == "Tarnwell.ini" || name == "Tarnwell.ini.lock")
            continue;
        EXPECT_TRUE(saveFileTemp.match(name).hasMatch()) << name.toStdString();
        ++leftovers;
    }
    std::cout << "[ figures  ] " << rounds << " kills, rounds reached " << lastFirstRound
              << ", seed " << seed << ", empty locks left " << emptyLocks
              << ", temporary files left " << leftovers << "\n";
}

TEST(SettingsUnderKill, TwoProcessesWritingDifferentKeysLoseNothing)
{
    TempConfig config;
    const QStringList keysA = kKeys.mid(0, 4);
    const QStringList keysB = kKeys.mid(4);
    const QString roundsEach = "100";
    QElapsedTimer timer;
    timer.start();
    QProcess a, b;
    a.start(writerPath(), QStringList{"count", "A", roundsEach} + keysA);
    b.start(writerPath(), QStringList{"count", "B", roundsEach} + keysB);
    ASSERT_TRUE(a.waitForFinished(120000));
    ASSERT_TRUE(b.waitForFinished(120000));
    EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().toStdString();
    EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().toStdString();
    const qint64 ms = timer.elapsed();

    Dump d = dump();
    ASSERT_EQ(d.status, 0);
    for (const QString& key : keysA)
        EXPECT_EQ(d.values[key], QString("A-%1").arg(roundsEach, 6, QChar('0')))
            << key.toStdString();
    for (const QString& key : keysB)
        EXPECT_EQ(d.values[key], QString("B-%1").arg(roundsEach, 6, QChar('0')))
            << key.toStdString();
    std::cout << "[ figures  ] two writers, " << roundsEach.toInt() * kKeys.size()
              << " saves in all, " << ms << " ms\n";
}

} // namespace
