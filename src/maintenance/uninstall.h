// `pelk laptop uninstall`: removes pelk from the laptop; the user's files stay.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "state/command_error.h"
#include "tools/elevation_method.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// The one elevated script: the DNS route, the system trust and the command file.
std::string uninstall_script(OsKind os, const std::filesystem::path& certificate);

Result<void> uninstall_laptop(ToolRunner& runner, const std::filesystem::path& home, OsKind os,
                              ElevationMethod elevation, std::ostream& out);
