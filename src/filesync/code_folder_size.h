// The note connect prints when the code folder is large: the first sync
// copies all of it to the server.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

inline constexpr std::uint64_t kLargeCodeFolderBytes = 5368709120;  // 5 GiB; exactly that is still fine

// The note when the code folder holds more than kLargeCodeFolderBytes; none
// otherwise, and none when it cannot be read. Never fails.
std::optional<std::string> code_folder_size_note(const std::filesystem::path& code_folder);

// Whether the entries under `folder` add up to more than `limit` bytes. Links
// are never followed (a link counts its own size), folders that cannot be
// listed and entries that cannot be read are skipped, and the walk stops as
// soon as the limit is passed.
bool folder_exceeds(const std::filesystem::path& folder, std::uint64_t limit);
