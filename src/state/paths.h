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

// Whether both paths name the same place, compared by whole components: empty
// parts (from doubled or trailing separators) and "." parts name nothing of
// their own, so "/a/b/", "/a//b" and "/a/./b" all name /a/b. Letter case
// counts, and ".." is not resolved.
bool same_path(const std::filesystem::path& a, const std::filesystem::path& b);

// Whether one path lies inside the other or both are the same, by the same
// components ("/a/bc" is not inside "/a/b"). A relative path never meets an
// absolute one, and an empty path meets nothing.
bool paths_overlap(const std::filesystem::path& a, const std::filesystem::path& b);
