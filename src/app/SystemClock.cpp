#include "app/SystemClock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}
