// Files too large for the share sessions, so setup can warn about them.
#pragma once

#include <filesystem>
#include <vector>

// The regular files directly in the share folder and directly in its `keep`
// subfolder that are over the size limit, in listing order. Folders that
// cannot be listed and entries that cannot be read are skipped.
std::vector<std::filesystem::path> oversized_share_files(const std::filesystem::path& share_folder);
