#pragma once

#include "common/Clock.h"

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};
