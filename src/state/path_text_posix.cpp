#include "state/text.h"

std::string display_path(const std::filesystem::path& path) { return utf8_lossy(path.native()); }

std::optional<std::string> unicode_path_text(const std::filesystem::path& path) {
  if (!is_valid_utf8(path.native())) return std::nullopt;
  return path.native();
}
