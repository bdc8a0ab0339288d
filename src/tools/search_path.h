// The process's search path, with pelk's tools folder first.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Makes the tools folder the first entry of PATH unless it is already on it.
// Never fails: a PATH that cannot hold the folder stays as it was.
void ensure_tools_on_path(const std::filesystem::path& home);

// The platform's search-path rules, apart from the environment.
std::vector<std::string> split_search_path(std::string_view value);
std::optional<std::string> join_search_path(const std::vector<std::string>& entries);
// The new PATH value, or nothing when `folder` is already an entry of `value`.
std::optional<std::string> search_path_with_first(std::string_view value, const std::filesystem::path& folder);
