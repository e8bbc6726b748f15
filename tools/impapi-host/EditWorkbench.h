// The edit workbench of the host program: a text edit to type into by hand or by a key script.
#pragma once

#include <string>
#include <vector>

namespace workbench {

// Runs `impapi-host edit` with the arguments after the command; returns the exit code (0, 1 when the window
// cannot be created, 2 usage).
int RunEditWorkbench(const std::vector<std::string>& args);

}  // namespace workbench
