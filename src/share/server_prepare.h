// The one shell command that readies the laptop's folder on the server.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Moves an older `Shots` folder to `Share` (leaving a link behind), creates
// Share/<name>/out and, unless the keep days are 0, deletes expired files
// there. The name is placed unquoted, so it must be a plain folder name.
std::string server_prepare_command(std::string_view laptop_name, std::uint32_t keep_days);
