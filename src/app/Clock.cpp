#include "app/Clock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

int secondsOfDay(const QDateTime& moment)
{
    return moment.time().msecsSinceStartOfDay() / 1000;
}
