// Reading the home folder from the environment: HOME, or USERPROFILE on
// Windows. Only a missing variable counts as not set; an empty one is used.
#pragma once

#include <filesystem>
#include <optional>

std::optional<std::filesystem::path> read_home_folder();
