// The small state files of the share feature, in the state folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

inline constexpr std::string_view kShotsOffFile = "shots-off";           // present: sharing is off
inline constexpr std::string_view kKeepDaysFile = "share-keep-days";     // decimal days
inline constexpr std::string_view kShotsFolderFile = "shots-folder";     // the laptop folder name

inline constexpr std::uint32_t kDefaultKeepDays = 7;

// True unless `shots-off` exists; a failure to look counts as absent.
bool sharing_enabled(const std::filesystem::path& home);

// The keep days of `share-keep-days`; 7 when the file is missing or unusable.
// 0 keeps shared files forever.
std::uint32_t read_keep_days(const std::filesystem::path& home);

// The keep days that a file's text gives: white space trimmed, one leading
// "+" allowed, decimal digits up to 4294967295; anything else gives 7.
std::uint32_t parse_keep_days(std::string_view text);
