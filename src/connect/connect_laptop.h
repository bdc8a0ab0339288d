// `pelk laptop connect`: ties the laptop to the server, step by step.
#pragma once

#include <filesystem>
#include <string>

#include "state/command_error.h"
#include "tools/laptop_context.h"

// What `pelk laptop connect` was asked for on its command line.
struct ConnectRequest {
  std::string server;                 // --server, "pelk" by default
  std::filesystem::path code_dir;     // the absolute code folder: --code-dir, or ~/Code
  bool force = false;                 // --force
};

[[nodiscard]] Result<void> connect_laptop(const LaptopContext& context, const ConnectRequest& request);
