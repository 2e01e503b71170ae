#pragma once

#include <QString>

class Registry;

// Start at logon for this program's own executable.
namespace mStartUp
{

// For a given executable and registry. An empty path does nothing. True
// when the logon entry is as asked afterwards.
bool EnableStartUp(Registry& registry, const QString& executable);
bool DisableStartUp(Registry& registry, const QString& executable);

} // namespace mStartUp
