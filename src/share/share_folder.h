// Where shared files live, on the laptop and on the server, and the limits
// that apply to them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "state/server_alias.h"

inline constexpr std::string_view kShareFolderName = "pelk-share";
inline constexpr std::string_view kOldShareFolderName = "pelk-shots";  // used by older versions
inline constexpr std::string_view kFromServerFolderName = "from-server";
inline constexpr std::string_view kKeepFolderName = "keep";

// Larger files are neither sent nor welcome in the share folder: Mutagen
// copes badly with them, and scp or rsync do the job better.
inline constexpr std::uintmax_t kShareSizeLimitMegabytes = 500;
inline constexpr std::uintmax_t kShareSizeLimit = kShareSizeLimitMegabytes * 1024 * 1024;

// The server's share root as shown to the user and to agents (the login is "dev").
inline constexpr std::string_view kServerShareRoot = "/home/dev/Share";

std::filesystem::path share_folder(const std::filesystem::path& home);  // ~/pelk-share
std::filesystem::path from_server_folder(const std::filesystem::path& home);
std::filesystem::path keep_folder(const std::filesystem::path& home);

// The laptop's folder on the server, relative to the login's home: "Share/<name>".
std::string server_share_folder(std::string_view laptop_name);
// The absolute server path of a file stored in the share folder.
std::string server_file_path(std::string_view laptop_name, std::string_view stored_name);

// "<file> is over 500 MB; move it another way (scp, rsync)": why a file is
// not sent, or a warning about one in the share folder.
std::string over_share_size_limit(const std::filesystem::path& file);

// The regular files directly in the share folder and directly in its `keep`
// subfolder that are over the size limit, in listing order. Folders that
// cannot be listed and entries that cannot be read are skipped.
std::vector<std::filesystem::path> oversized_share_files(const std::filesystem::path& share_folder);
