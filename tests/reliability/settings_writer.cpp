// Helper process for the settings reliability tests: writes keys through the
// program's own store, or reads every key back, in a process of its own so a
// test can kill it at any moment and so no settings cache is shared.
//
//   settings_writer loop <tag> <key>...     for ever, rounds n, n + 1, ... each
//                                           key <- "<tag>-<n>", starting with the
//                                           round the first key holds
//   settings_writer count <tag> <rounds> <key>...
//                                           rounds 1..rounds, then exit
//   settings_writer dump                    "status <n>", then key=value lines
//
// Values carry a six-digit round, so every write has the same length.

#include "app/IniSettingsStore.h"
#include "common/Failure.h"

#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

QString value(const QString& tag, long round)
{
    return QString("%1-%2").arg(tag).arg(round, 6, 10, QChar('0'));
}

long storedRound(const IniSettingsStore& store, const QString& tag, const QString& key)
{
    const QString stored = store.get(key, QString());
    if (!stored.startsWith(tag + '-'))
        return 0;
    return stored.mid(tag.size() + 1).toLong();
}

int writeRounds(const QString& tag, long first, long last, const QStringList& keys)
{
    IniSettingsStore store;
    // Tells a test that is about to kill us that the writing starts now.
    std::printf("ready\n");
    std::fflush(stdout);
    try {
        for (long n = first; last < 0 || n <= last; ++n)
            for (const QString& key : keys)
                store.save(key, value(tag, n));
    } catch (const Failure& failure) {
        std::fprintf(stderr, "save failed: %s\n", failure.what());
        return 2;
    }
    return 0;
}

int dump()
{
    IniSettingsStore store;
    QSettings settings(store.filePath(), QSettings::IniFormat);
    settings.beginGroup("Hushwave");
    std::printf("status %d\n", int(settings.status()));
    for (const QString& key : settings.childKeys())
        std::printf("%s=%s\n", qPrintable(key), qPrintable(settings.value(key).toString()));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.value(0) == "dump")
        return dump();
    if (args.value(0) == "loop" && args.size() >= 3) {
        const QString tag = args[1];
        const QStringList keys = args.mid(2);
        // Finish the round a killed run was in, so in key order the stored
        // rounds never grow and never differ by more than one.
        const long first = std::max(1L, storedRound(IniSettingsStore(), tag, keys.first()));
        return writeRounds(tag, first, -1, keys);
    }
    if (args.value(0) == "count" && args.size() >= 4)
        return writeRounds(args[1], 1, args[2].toLong(), args.mid(3));
    std::fprintf(stderr, "usage: settings_writer loop <tag> <key>... | count <tag> <rounds> "
                         "<key>... | dump\n");
    return 64;
}
