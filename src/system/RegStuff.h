#pragma once

#include "system/Registry.h"

#include <QString>
#include <QVariant>

// Small routines over the registry for the program's Run value. None reports
// anything: callers that care look at the result.
namespace RegStuff
{

inline const QString RunKeyPath =
    QStringLiteral("SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\");

// Writes one value into an open key; only strings are supported.
RegStatus SetRegValueEx(RegistryKey& key, const QString& valueName, RegType type,
                        const QVariant& value);

// Opens the key, sets the value, closes the key.
RegStatus SetRegKeyValue(Registry& registry, Hive hive, const QString& keyPath,
                         const QString& valueName, const QVariant& value, RegType type);

// Opens the key, deletes the value, closes the key.
RegStatus DeleteRegValue(Registry& registry, Hive hive, const QString& keyPath,
                         const QString& valueName);

// Registers `executable` (a full path) to start at logon, named after its file
// name: machine-wide when allowed, for this user otherwise. True when one of
// the two took it.
bool AddRunEntry(Registry& registry, const QString& executable);

// Removes the value from both places; a value that is not there is no error.
// True when no value is left that starts it at this user's logon.
bool RemoveRunEntry(Registry& registry, const QString& executable);

} // namespace RegStuff
