#include "tools/script_quote.h"

#include <array>

std::string shell_quote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += "'";
  return quoted;
}

std::string powershell_quote(std::string_view text) {
  // U+2018, U+2019, U+201A, U+201B in UTF-8.
  constexpr std::array<std::string_view, 4> kTypographic = {"\xE2\x80\x98", "\xE2\x80\x99", "\xE2\x80\x9A",
                                                            "\xE2\x80\x9B"};
  std::string quoted = "'";
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\'') {
      quoted += "''";
      ++i;
      continue;
    }
    bool doubled = false;
    for (std::string_view mark : kTypographic) {
      if (text.substr(i).starts_with(mark)) {
        quoted.append(mark).append(mark);
        i += mark.size();
        doubled = true;
        break;
      }
    }
    if (!doubled) quoted += text[i++];
  }
  quoted += "'";
  return quoted;
}

std::string applescript_string_body(std::string_view text) {
  std::string body;
  for (char c : text) {
    if (c == '\\' || c == '"') body += '\\';
    body += c;
  }
  return body;
}
