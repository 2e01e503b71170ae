#pragma once

#include "common/Failure.h"

#include <QString>

// What a save throws when the value could not be stored.
class SaveFailure : public Failure
{
public:
    using Failure::Failure;
};

// Per-user text values under one application and section. Reads fall back to
// the given default; every save is on disk when it returns, or throws. A store
// may throw only the first failure of a run and keep the change for its next
// save that works, so a user is told once.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString get(const QString& key, const QString& defaultValue) const = 0;
    virtual void save(const QString& key, const QString& value) = 0;
};
