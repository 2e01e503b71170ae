#pragma once

#include "common/Clock.h"
#include "common/ErrorReport.h"
#include "common/Failure.h"
#include "common/SettingsStore.h"
#include "playback/engine/MediaPlayer.h"

#include <QMap>
#include <QStringList>
#include <vector>

// Records error reports instead of showing a box.
class RecordingErrorReport : public ErrorReport
{
public:
    struct Entry {
        QString description;
        QString location;
        int line;
    };
    void report(const QString& description, const QString& location, int line) override
    {
        entries.push_back({description, location, line});
    }
    void notify(const QString& message) override { notices << message; }
    std::vector<int> lines() const
    {
        std::vector<int> result;
        for (const auto& e : entries)
            result.push_back(e.line);
        return result;
    }
    std::vector<Entry> entries;
    QStringList notices;
};

// A clock that stands where the test puts it.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(12, 0)))
        : moment(std::move(start))
    {
    }
    QDateTime now() const override { return moment; }
    void setTime(int h, int m, int s) { moment.setTime(QTime(h, m, s)); }
    QDateTime moment;
};

// Records every player operation as text, and plays "successfully" only the
// paths the test says exist.
class RecordingPlayer : public MediaPlayer
{
public:
    void playFile(const QString& path) override
    {
        calls << "play " + path;
        lastPath = path;
        state = playable.isEmpty() || playable.contains(path) ? PlayState::Playing
                                                              : PlayState::Undefined;
        if (failNext) {
            failNext = false;
            throw Failure("player refused");
        }
    }
    void setLoopMode(bool on) override
    {
        calls << QString("loop %1").arg(on ? "true" : "false");
        loop = on;
    }
    void setVolume(int v) override
    {
        calls << QString("volume %1").arg(v);
        volume = v;
    }
    void setRate(double r) override
    {
        calls << QString("rate %1").arg(r);
        rate = r;
    }
    void stop() override
    {
        calls << "stop";
        state = PlayState::Stopped;
    }
    PlayState playState() const override { return state; }
    void setEdgeFade(const EdgeFade& fade) override
    {
        calls << QString("fade %1 %2 %3").arg(fade.in).arg(fade.out).arg(fade.untilEnd);
    }

    QStringList calls;
    QStringList playable; // empty: every path plays
    QString lastPath;
    bool loop = false;
    int volume = 50;
    double rate = 1.0;
    PlayState state = PlayState::Undefined;
    bool failNext = false;
};

// An in-memory store whose saves can be made to fail.
class MemorySettingsStore : public SettingsStore
{
public:
    QString get(const QString& key, const QString& defaultValue) const override
    {
        return values.contains(key) ? values.value(key) : defaultValue;
    }
    void save(const QString& key, const QString& value) override
    {
        if (failSaves)
            throw SaveFailure("settings store refused " + key);
        values[key] = value;
        saves << key + "=" + value;
    }
    QMap<QString, QString> values;
    QStringList saves;
    bool failSaves = false;
};
