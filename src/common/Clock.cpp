#include "common/Clock.h"

int secondsOfDay(const QDateTime& moment)
{
    return moment.time().msecsSinceStartOfDay() / 1000;
}
