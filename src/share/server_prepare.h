// What is prepared and kept on the server: the one shell command that readies
// the laptop's folder there and deletes its expired files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Moves an older `Shots` folder to `Share` (leaving a link behind), creates
// Share/<name>/out and, unless the keep days are 0, deletes expired files
// there. The name is placed unquoted, so it must be a plain folder name.
std::string server_prepare_command(std::string_view laptop_name, std::uint32_t keep_days);

// The deleting part of that command for the server folder text (e.g.
// "Share/my-laptop") and keep days other than 0: files older than the keep
// days go, anything under the `keep` subfolder stays.
std::string retention_clause(std::string_view folder, std::uint32_t days);
