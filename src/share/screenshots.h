// Pointing the macOS screenshot folder at the share folder.
#pragma once

#include <filesystem>

#include "cli/command_error.h"
#include "tools/tool_runner.h"

Result<void> set_screenshot_folder(ToolRunner& runner, const std::filesystem::path& home);
