// The clipboard's file list as clipboard_paths reads it. Each path comes from
// its own line, in order: a plain line is the path itself, a "file://" line
// gives the part from the first slash after the host, percent escapes decoded.
#include <vector>

#include "fuzz_check.h"
#include "share/clipboard_paths.h"
#include "state/text.h"

namespace {

bool explains(std::string_view line, const std::string& path) {
  if (line.starts_with("file://")) {
    std::string_view rest = line.substr(7);
    std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || !path.starts_with('/')) return false;
    // Without escapes and invalid bytes the path is that very part of the line.
    if (rest.find('%') == std::string_view::npos && is_valid_utf8(rest)) return rest.substr(slash) == path;
    // Each escape shrinks three characters to one byte, which decodes to at
    // most three; each invalid byte becomes one three-byte replacement.
    return path.size() <= 3 * rest.substr(slash).size();
  }
  return line.find("://") == std::string_view::npos && line == path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view listing = fuzz_text(data, size);
  const std::vector<std::filesystem::path> paths = clipboard_paths(listing);

  std::vector<std::string_view> lines;
  std::string_view left = listing;
  while (!left.empty()) {
    std::size_t end = left.find('\n');
    std::string_view line = trim(left.substr(0, end));
    left = end == std::string_view::npos ? std::string_view() : left.substr(end + 1);
    if (!line.empty() && !line.starts_with('#')) lines.push_back(line);
  }
  // Only other addresses, "file://" lines without a path and paths that hold
  // a NUL byte (written as such, or as the escape "%00") give nothing.
  std::size_t giving = 0;
  for (std::string_view line : lines) {
    if (line.starts_with("file://")) {
      std::size_t slash = line.find('/', 7);
      if (slash == std::string_view::npos) continue;
      std::string_view part = line.substr(slash);
      giving += part.find('\0') == std::string_view::npos && part.find("%00") == std::string_view::npos ? 1 : 0;
    } else {
      giving += line.find("://") == std::string_view::npos && line.find('\0') == std::string_view::npos ? 1 : 0;
    }
  }
  FUZZ_CHECK(paths.size() == giving);

  std::size_t next_line = 0;
  for (const auto& path : paths) {
    const std::string text = path.string();
    FUZZ_CHECK(!text.empty());
    while (next_line < lines.size() && !explains(lines[next_line], text)) ++next_line;
    FUZZ_CHECK(next_line < lines.size());
    ++next_line;
  }
  return 0;
}
