#include "system/mStartUp.h"

#include "system/RegStuff.h"

namespace mStartUp
{

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

} // namespace mStartUp
