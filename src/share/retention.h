// Retention of shared files: old files are deleted on the laptop and on the
// server; the `keep` subfolder never is.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Deletes the regular files directly in `folder` whose last modification is
// more than `limit_seconds` before `now`. Folders, symbolic links and files
// from the future stay; nothing here fails.
void prune_share_folder(const std::filesystem::path& folder, std::chrono::system_clock::time_point now,
                        std::uint64_t limit_seconds);

// The server-side part of the preparation command for the server folder
// text (e.g. "Share/my-laptop") and keep days other than 0.
std::string retention_clause(std::string_view folder, std::uint32_t days);
