#include "system/mStartUp.h"

#include "system/RegStuff.h"

#include <QCoreApplication>

namespace mStartUp {

bool EnableStartUp(Registry& registry, const QString& executable)
{
    if (executable.isEmpty())
        return false;
    return RegStuff::AddRunEntry(registry, executable);
}

void DisableStartUp(Registry& registry, const QString& executable)
{
    if (!executable.isEmpty())
        RegStuff::RemoveRunEntry(registry, executable);
}

// Asking for our own file name, rather than listing the program folder,
// keeps another executable there from being registered in our place.
bool EnableStartUp()
{
    return EnableStartUp(systemRegistry(), QCoreApplication::applicationFilePath());
}

void DisableStartUp()
{
    DisableStartUp(systemRegistry(), QCoreApplication::applicationFilePath());
}

} // namespace mStartUp
