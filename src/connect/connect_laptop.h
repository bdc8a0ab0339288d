// `pelk laptop connect`: ties the laptop to the server, step by step.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "state/command_error.h"
#include "tools/elevation_method.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

struct ConnectRequest {
  std::string server;                 // --server, "pelk" by default
  std::filesystem::path code_dir;     // --code-dir as given, or ~/Code
  std::filesystem::path home;
  bool force = false;                 // --force
  OsKind os = build_os_kind();
  ElevationMethod elevation = ElevationMethod::Sudo;
};

Result<void> connect_laptop(const ConnectRequest& request, ToolRunner& runner, std::ostream& out);
