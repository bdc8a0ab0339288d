// The Windows search-path rules on wide text, as the environment holds PATH:
// ";" separates entries and double quotes group text that holds ";".
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::wstring> split_search_path_wide(std::wstring_view value);
// Nothing when an entry holds a double quote, which PATH cannot express.
std::optional<std::wstring> join_search_path_wide(const std::vector<std::wstring>& entries);
std::optional<std::wstring> search_path_with_first_wide(std::wstring_view value, const std::filesystem::path& folder);
