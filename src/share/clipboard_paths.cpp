#include "share/clipboard_paths.h"

#include <string>

#include "share/share_folder.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decoded(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 && hex_value(text[i + 2]) >= 0) {
      bytes.push_back(static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

}  // namespace

std::optional<fs::path> clipboard_line_to_path(std::string_view line) {
  constexpr std::string_view kFileScheme = "file://";
  if (line.starts_with(kFileScheme)) {
    std::string_view rest = line.substr(kFileScheme.size());
    size_t slash = rest.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    std::string decoded = percent_decoded(rest.substr(slash));
    // No file's path holds a NUL byte: the system would read the path only up
    // to it, and another file than the one shown would be sent.
    if (decoded.find('\0') != std::string::npos) return std::nullopt;
    return path_from_utf8(utf8_lossy(decoded));
  }
  if (line.find("://") != std::string_view::npos) return std::nullopt;
  if (line.find('\0') != std::string_view::npos) return std::nullopt;
  return path_from_utf8(line);
}

std::vector<fs::path> clipboard_paths(std::string_view listing) {
  std::vector<fs::path> paths;
  for (std::string_view line : split_lines(listing)) {
    line = trim(line);
    if (line.empty() || line.starts_with('#')) continue;
    if (auto path = clipboard_line_to_path(line)) paths.push_back(std::move(*path));
  }
  return paths;
}
