#pragma once

#include <QString>

class Registry;

// Start at logon for this program's own executable.
namespace mStartUp
{

// For a given executable and registry. An empty path does nothing.
bool EnableStartUp(Registry& registry, const QString& executable);
void DisableStartUp(Registry& registry, const QString& executable);

} // namespace mStartUp
