// Retention of shared files on the laptop: old files in the share folder are
// deleted, the `keep` subfolder never is. The server's copy is pruned by the
// command of server_prepare.h.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>

// Deletes the regular files directly in `folder` whose last modification is
// more than `limit_seconds` before `now`. Folders, symbolic links and files
// from the future stay; nothing here fails.
void prune_share_folder(const std::filesystem::path& folder, std::chrono::system_clock::time_point now,
                        std::uint64_t limit_seconds);
