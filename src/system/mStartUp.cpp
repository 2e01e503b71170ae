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

bool DisableStartUp(Registry& registry, const QString& executable)
{
    return executable.isEmpty() || RegStuff::RemoveRunEntry(registry, executable);
}

} // namespace mStartUp
