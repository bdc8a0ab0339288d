// Pointing the macOS screenshot folder at the share folder.
#pragma once

#include <string_view>

#include "state/command_error.h"
#include "tools/laptop_context.h"

[[nodiscard]] Result<void> set_screenshot_folder(const LaptopContext& context);

// What `pelk laptop share macos` prints after set_screenshot_folder succeeds;
// the short "~/" form whatever the home folder is.
inline constexpr std::string_view kScreenshotFolderSetLine = "macOS now saves screenshots into ~/pelk-share.\n";
