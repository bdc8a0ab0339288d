// How this laptop's commands get administrator rights.
#pragma once

#include "tools/elevation_method.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// macOS: osascript. Windows: PowerShell RunAs. Linux: sudo, or pkexec when
// there is no sudo and pkexec exists.
ElevationMethod choose_elevation_method(OsKind os, ToolRunner& runner);
