// The folders pelk owns under the home folder. Pure path computations: nothing
// here looks at the disk.
#pragma once

#include <filesystem>

std::filesystem::path state_dir(const std::filesystem::path& home);  // ~/.config/pelk
std::filesystem::path data_dir(const std::filesystem::path& home);   // ~/.local/share/pelk
std::filesystem::path tools_dir(const std::filesystem::path& home);  // ~/.local/share/pelk/bin

// The Mutagen executable's file name on this build: "mutagen" plus the
// platform's executable suffix.
std::filesystem::path mutagen_executable_name();
