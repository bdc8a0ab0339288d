// `pelk laptop status`: the five-line health report.
#pragma once

#include <filesystem>
#include <string>

#include "state/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

Result<std::string> laptop_status(ToolRunner& runner, const std::filesystem::path& home, OsKind os);
