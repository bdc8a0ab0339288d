// The entries of the laptop commands, one member each, so the dispatcher can
// be driven with stand-ins. An empty member is a command not built yet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "state/command_error.h"
#include "connect/connect_laptop.h"
#include "state/laptop_config.h"
#include "tools/elevation_method.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

struct LaptopEntries {
  using Path = std::filesystem::path;

  std::function<Result<void>(const ConnectRequest&, ToolRunner&, std::ostream&)> connect_laptop;
  std::function<Result<LaptopConfig>(const Path& home)> load_config;
  std::function<Result<void>(ToolRunner&, const Path& state_folder, const Path& code_folder, std::ostream&)> sync_code;
  std::function<Result<void>(ToolRunner&, const Path& home, std::ostream&)> setup_share;
  std::function<Result<std::string>(ToolRunner&, const Path& home, OsKind)> laptop_status;
  std::function<Result<void>(ToolRunner&, const Path& home, OsKind, ElevationMethod, std::ostream&)> disconnect_laptop;
  std::function<Result<void>(ToolRunner&, const Path& home, OsKind, ElevationMethod, std::ostream&)> uninstall_laptop;
  std::function<Result<void>(ToolRunner&, const Path& home, bool on, std::ostream&)> set_sharing;
  std::function<Result<std::string>(ToolRunner&, const Path& home, OsKind, const std::vector<Path>& files)> send_files;
  std::function<Result<std::string>(ToolRunner&, const Path& home, OsKind)> send_clipboard;
  std::function<Result<void>(ToolRunner&, const Path& home, std::uint32_t days, std::ostream&)> set_keep_days;
  std::function<Result<void>(ToolRunner&, const Path& home)> set_screenshot_folder;
};

// The entries of this build's commands.
LaptopEntries real_laptop_entries();
