// Small text helpers shared by every subsystem.
#pragma once

#include <cstdint>
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
// The same as utf8_lossy, but text that is valid already (as nearly all
// output of programs is) is handed back as it came, without a copy.
std::string to_valid_utf8(std::string bytes);

// Takes the first code point off `text` (not empty). An invalid sequence is
// taken as one U+FFFD, the same sequence that utf8_lossy replaces.
char32_t take_code_point(std::string_view& text);

// ASCII only, whatever the locale: a locale-aware test could pass characters
// that a remote shell or a host name does not take.
bool is_ascii_alnum(char32_t c);
// ASCII letters, digits, "-", "_" and ".": the characters of the names that
// pelk places unquoted into a remote shell command or a Mutagen pattern.
bool is_plain_name_character(char c);
// Only A to Z fold, so no name matches one the user did not type (a dotless
// i, a ligature).
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

// A count written in decimal digits only, up to 4294967295: "010" is ten, and
// "", "0x10", "+5", "-1" and " 5" are no number. On wide text too, for the
// file names of Windows.
template <class Char>
std::optional<std::uint32_t> parse_plain_decimal_u32(std::basic_string_view<Char> digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (Char c : digits) {
    if (c < Char('0') || c > Char('9')) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - Char('0'));
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}
inline std::optional<std::uint32_t> parse_plain_decimal_u32(std::string_view digits) {
  return parse_plain_decimal_u32<char>(digits);
}

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
