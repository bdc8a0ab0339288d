// `pelk open [NAME]`: ssh on the user's own console, to a project's folder or
// to list the projects.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/tool_runner.h"

// The arguments for ssh, or nothing for a name that is not a project name.
std::optional<std::vector<std::string>> open_ssh_arguments(const std::optional<std::string>& name);

// Runs ssh on the user's console (the runner's interactive run, so the user
// works in the remote terminal) and gives the exit status for the process: 0
// when ssh succeeded, 1 when it failed or could not start, 2 for a name that is
// not a project name (nothing runs then). Messages go to `err`.
int open_project(const std::optional<std::string>& name, ToolRunner& runner, std::ostream& err);
