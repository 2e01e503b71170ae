#include "system/RegStuff.h"

#include <QFileInfo>

namespace RegStuff {

RegStatus SetRegValueEx(RegistryKey& key, const QString& valueName, RegType type,
                        const QVariant& value)
{
    if (type != RegType::String)
        return RegResult::InvalidParameter;
    return key.setValue(valueName, type, value.toString());
}

RegStatus SetRegKeyValue(Registry& registry, Hive hive, const QString& keyPath,
                         const QString& valueName, const QVariant& value, RegType type)
{
    RegStatus status = RegResult::Success;
    const auto key = registry.openKey(hive, keyPath, &status);
    if (!key)
        return status;
    return SetRegValueEx(*key, valueName, type, value);
}

RegStatus DeleteRegValue(Registry& registry, Hive hive, const QString& keyPath,
                         const QString& valueName)
{
    RegStatus status = RegResult::Success;
    const auto key = registry.openKey(hive, keyPath, &status);
    if (!key)
        return status;
    return key->deleteValue(valueName);
}

bool AddRunEntry(Registry& registry, const QString& executable)
{
    const QString name = QFileInfo(executable).fileName();
    if (name.isEmpty())
        return false;
    const QString command = registry.commandLineFor(executable);
    // A normal user may not write the machine-wide key; the per-user one
    // starts the program at this user's logon all the same.
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser}) {
        if (SetRegKeyValue(registry, hive, RunKeyPath, name, command, RegType::String) ==
            RegResult::Success)
            return true;
    }
    return false;
}

void RemoveRunEntry(Registry& registry, const QString& executable)
{
    const QString name = QFileInfo(executable).fileName();
    if (name.isEmpty())
        return;
    for (Hive hive : {Hive::LocalMachine, Hive::CurrentUser})
        DeleteRegValue(registry, hive, RunKeyPath, name);
}

} // namespace RegStuff
