// The Linux packages connect installs inside its elevated script: the
// clipboard tools for sending screenshots and the NSS tools for browser trust.
#pragma once

#include <optional>
#include <string>

#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// None off Linux, and none when wl-paste, wl-copy, xclip and certutil all exist.
std::optional<std::string> linux_packages_command(ToolRunner& runner, OsKind os);
