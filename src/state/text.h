// Small text helpers shared by every subsystem.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// White space (space, tab, line feed, carriage return, vertical tab, form feed)
// removed from both ends.
std::string_view trim(std::string_view text);

// The bytes decoded as UTF-8, each invalid sequence replaced by U+FFFD.
std::string utf8_lossy(std::string_view bytes);
bool is_valid_utf8(std::string_view bytes);

std::string join(const std::vector<std::string>& items, std::string_view separator);

// Lines split at line feeds; a carriage return before a line feed is dropped.
// A final line feed does not start an extra empty line.
std::vector<std::string_view> split_lines(std::string_view text);

// The words of a line, split at spaces, tabs, carriage returns, vertical tabs
// and form feeds.
std::vector<std::string_view> split_words(std::string_view line);

// A path as shown to the user and handed to Mutagen: the platform's separators,
// parts that are not valid Unicode replaced by U+FFFD.
std::string display_path(const std::filesystem::path& path);

// The path as UTF-8 text with the platform's separators, or nothing when it is
// not valid Unicode (bytes that are not UTF-8; on Windows a lone surrogate).
std::optional<std::string> unicode_path_text(const std::filesystem::path& path);

// A path from UTF-8 text, the same on every platform (a plain narrow string
// would be read in the ANSI code page on Windows).
std::filesystem::path path_from_utf8(std::string_view text);
