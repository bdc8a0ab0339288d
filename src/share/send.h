// `pelk laptop share send`: files or the clipboard into the share folder, and
// their server paths back on the clipboard.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

Result<std::string> send_files(ToolRunner& runner, const std::filesystem::path& home, OsKind os,
                               const std::vector<std::filesystem::path>& files);
Result<std::string> send_clipboard(ToolRunner& runner, const std::filesystem::path& home, OsKind os);
