// The laptop's connection record, ~/.config/pelk/laptop.json.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "state/command_error.h"
#include "state/json_reader.h"

struct LaptopConfig {
  std::string server;               // as given to connect with --server
  std::string address;              // the server's IPv4 tailnet address
  std::filesystem::path code_dir;   // the laptop folder synced with ~/Code

  bool operator==(const LaptopConfig&) const = default;
};

[[nodiscard]] Result<LaptopConfig> load_config(const std::filesystem::path& home);
[[nodiscard]] Result<void> save_config(const std::filesystem::path& home, const LaptopConfig& config);

// The record's text and its reading, apart from the file.
[[nodiscard]] JsonResult<LaptopConfig> parse_laptop_config(std::string_view text);
[[nodiscard]] Result<std::string> laptop_config_text(const LaptopConfig& config);
