// Keeping the code folder in two-way sync with ~/Code on the server, under
// the rules the server publishes.
#pragma once

#include <filesystem>
#include <ostream>

#include "state/command_error.h"
#include "tools/tool_runner.h"

Result<void> sync_code(ToolRunner& runner, const std::filesystem::path& state_folder,
                       const std::filesystem::path& code_folder, std::ostream& out);
