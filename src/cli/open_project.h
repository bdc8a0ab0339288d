// `pelk open [NAME]`: ssh on the user's own console, to a project's folder or
// to list the projects.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The arguments for ssh, or nothing for a name that is not a project name.
std::optional<std::vector<std::string>> open_ssh_arguments(const std::optional<std::string>& name);

// Runs ssh with pelk's own standard streams and gives the exit status for the
// process: 0 when ssh succeeded, 1 when it failed or could not start, 2 for a
// name that is not a project name (nothing runs then). Messages go to `err`.
int open_project(const std::optional<std::string>& name, std::ostream& err);
