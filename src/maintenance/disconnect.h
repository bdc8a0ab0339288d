// `pelk laptop disconnect`: takes the connection down; files and trust stay.
#pragma once

#include <filesystem>
#include <ostream>

#include "state/command_error.h"
#include "tools/elevation_method.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

Result<void> disconnect_laptop(ToolRunner& runner, const std::filesystem::path& home, OsKind os,
                               ElevationMethod elevation, std::ostream& out);
