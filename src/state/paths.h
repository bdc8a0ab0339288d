// The home folder and the folders pelk owns under it. Apart from reading the
// home folder from the environment, these are pure path computations: nothing
// here looks at the disk.
#pragma once

#include <filesystem>
#include <optional>

// The home folder: HOME, or USERPROFILE on Windows. Only a missing variable
// counts as not set; an empty one is used.
std::optional<std::filesystem::path> read_home_folder();

std::filesystem::path state_dir(const std::filesystem::path& home);  // ~/.config/pelk
std::filesystem::path data_dir(const std::filesystem::path& home);   // ~/.local/share/pelk
std::filesystem::path tools_dir(const std::filesystem::path& home);  // ~/.local/share/pelk/bin

// The Mutagen executable's file name on this build: "mutagen" plus the
// platform's executable suffix.
std::filesystem::path mutagen_executable_name();
