// Reading the file list that the clipboard programs print. Pure.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

// The paths of the listing's lines, in order; blank and "#" comment lines skipped.
std::vector<std::filesystem::path> clipboard_paths(std::string_view listing);

// A "file://" address as its path (host dropped, percent escapes decoded), a
// plain line as itself; other addresses give nothing.
std::optional<std::filesystem::path> clipboard_line_to_path(std::string_view line);
