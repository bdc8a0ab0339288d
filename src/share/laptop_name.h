// The laptop folder name: this laptop's own folder under ~/Share on the
// server, so several laptops can share with one server.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "state/command_error.h"
#include "tools/tool_runner.h"

// The name kept in `shots-folder`; the first time, one derived from the host
// name, which is then written there. A kept name that is not a single plain
// folder name is refused with a message, since it goes unquoted into the
// server's shell and into the retention clause.
[[nodiscard]] Result<std::string> laptop_folder_name(ToolRunner& runner, const std::filesystem::path& home);

// The name that `hostname` output gives: the part before the first dot,
// lower-cased, runs of anything but ASCII letters and digits as one "-",
// no hyphen at either end; "laptop" when nothing is left.
std::string folder_name_from_host(std::string_view hostname_output);

// ASCII letters, digits, "-", "_" and "." only, not starting with "." or "-":
// the check of a name the user kept in `shots-folder`, which goes unquoted
// into the server's shell, where "." or ".." would reach the whole share root
// or home. A leading "_" passes, unlike for `pelk open`'s names, since it is
// harmless here and a name the user chose is taken as it stands.
bool is_usable_folder_name(std::string_view name);
