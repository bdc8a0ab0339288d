// Pointing the macOS screenshot folder at the share folder.
#pragma once

#include <filesystem>
#include <string_view>

#include "state/command_error.h"
#include "tools/tool_runner.h"

Result<void> set_screenshot_folder(ToolRunner& runner, const std::filesystem::path& home);

// What `pelk laptop share macos` prints after set_screenshot_folder succeeds;
// the short "~/" form whatever the home folder is.
inline constexpr std::string_view kScreenshotFolderSetLine = "macOS now saves screenshots into ~/pelk-share.\n";
