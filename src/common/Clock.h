#pragma once

#include <QDateTime>

// Wall-clock time, behind an interface so tests can stand at any moment.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Whole seconds since local midnight: only the time of day counts.
int secondsOfDay(const QDateTime& moment);
