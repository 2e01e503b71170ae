#include "system/RegStuff.h"

#include <QFileInfo>

namespace RegStuff
{

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
    if (SetRegKeyValue(registry, Hive::LocalMachine, RunKeyPath, name, command, RegType::String) ==
        RegResult::Success) {
        // A per-user value of the name would be a duplicate, or one that
        // keeps the machine-wide value from this user.
        DeleteRegValue(registry, Hive::CurrentUser, RunKeyPath, name);
        return true;
    }
    // A normal user may not write the machine-wide key; the per-user one
    // starts the program at this user's logon all the same.
    return SetRegKeyValue(registry, Hive::CurrentUser, RunKeyPath, name, command,
                          RegType::String) == RegResult::Success;
}

bool RemoveRunEntry(Registry& registry, const QString& executable)
{
    const QString name = QFileInfo(executable).fileName();
    if (name.isEmpty())
        return true;
    const auto gone = [](RegStatus status) {
        return status == RegResult::Success || status == RegResult::FileNotFound;
    };
    const RegStatus machine = DeleteRegValue(registry, Hive::LocalMachine, RunKeyPath, name);
    const RegStatus user = DeleteRegValue(registry, Hive::CurrentUser, RunKeyPath, name);
    // A machine-wide value someone else put there and we may not delete
    // would still start the program at this user's logon.
    if (machine == RegResult::AccessDenied)
        return registry.suppressForUser(name) == RegResult::Success && gone(user);
    return gone(machine) && gone(user);
}

} // namespace RegStuff
