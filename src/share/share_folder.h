// Where shared files live, on the laptop and on the server, and the limits
// that apply to them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "state/server_alias.h"

inline constexpr std::string_view kShareFolderName = "pelk-share";
inline constexpr std::string_view kOldShareFolderName = "pelk-shots";  // used by older versions
inline constexpr std::string_view kFromServerFolderName = "from-server";
inline constexpr std::string_view kKeepFolderName = "keep";

// Larger files are neither sent nor welcome in the share folder: Mutagen
// copes badly with them, and scp or rsync do the job better.
inline constexpr std::uintmax_t kShareSizeLimit = 524288000;

// The server's share root as shown to the user and to agents (the login is "dev").
inline constexpr std::string_view kServerShareRoot = "/home/dev/Share";

std::filesystem::path share_folder(const std::filesystem::path& home);  // ~/pelk-share
std::filesystem::path from_server_folder(const std::filesystem::path& home);
std::filesystem::path keep_folder(const std::filesystem::path& home);

// The laptop's folder on the server, relative to the login's home: "Share/<name>".
std::string server_share_folder(std::string_view laptop_name);
// The absolute server path of a file stored in the share folder.
std::string server_file_path(std::string_view laptop_name, std::string_view stored_name);
