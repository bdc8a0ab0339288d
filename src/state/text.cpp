#include "state/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

struct Sequence {
  size_t length;
  bool valid;
};

// The UTF-8 sequence at the start of `s` (not empty): a valid one, or the
// maximal invalid prefix that one U+FFFD replaces, that is the lead byte and
// the continuation bytes that still fit a possible sequence.
Sequence scan_sequence(std::string_view s) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(0);
  if (b0 < 0x80) return {1, true};
  size_t expected;
  unsigned char low = 0x80, high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    expected = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    expected = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    expected = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return {1, false};
  }
  size_t i = 1;
  if (i < s.size() && byte(i) >= low && byte(i) <= high) {
    ++i;
    while (i < expected && i < s.size() && byte(i) >= 0x80 && byte(i) <= 0xBF) ++i;
  }
  return {i, i == expected};
}

// Length of the longest valid UTF-8 prefix. Programs' output is mostly ASCII,
// so runs of it are stepped over eight bytes at a time.
size_t valid_prefix_length(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    while (i + 8 <= s.size()) {
      std::uint64_t word;
      std::memcpy(&word, s.data() + i, sizeof word);
      if ((word & 0x8080808080808080ULL) != 0) break;
      i += 8;
    }
    if (i == s.size()) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    Sequence next = scan_sequence(s.substr(i));
    if (!next.valid) break;
    i += next.length;
  }
  return i;
}

}  // namespace

std::string_view trim(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

std::string utf8_lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    size_t valid = valid_prefix_length(bytes);
    out.append(bytes.substr(0, valid));
    bytes.remove_prefix(valid);
    if (bytes.empty()) break;
    out.append("\xEF\xBF\xBD");
    bytes.remove_prefix(scan_sequence(bytes).length);
  }
  return out;
}

bool is_valid_utf8(std::string_view bytes) { return valid_prefix_length(bytes) == bytes.size(); }

std::string to_valid_utf8(std::string bytes) {
  if (is_valid_utf8(bytes)) return bytes;
  return utf8_lossy(bytes);
}

char32_t take_code_point(std::string_view& text) {
  Sequence next = scan_sequence(text);
  std::string_view bytes = text.substr(0, next.length);
  text.remove_prefix(next.length);
  if (!next.valid) return U'\uFFFD';
  auto byte = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(bytes[i])); };
  switch (next.length) {
    case 1: return byte(0);
    case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    default: return ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
  }
}

bool is_ascii_alnum(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool is_plain_name_character(char c) {
  return is_ascii_alnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string join(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.append(separator);
    out.append(items[i]);
  }
  return out;
}

std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (end != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::filesystem::path path_from_utf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::vector<std::string_view> split_words(std::string_view line) {
  constexpr std::string_view kBlanks = " \t\r\v\f";
  std::vector<std::string_view> found;
  for (;;) {
    auto start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos) return found;
    line.remove_prefix(start);
    auto end = line.find_first_of(kBlanks);
    found.push_back(line.substr(0, end));
    if (end == std::string_view::npos) return found;
    line.remove_prefix(end);
  }
}
