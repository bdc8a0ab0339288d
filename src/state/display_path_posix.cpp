#include "state/text.h"

std::string display_path(const std::filesystem::path& path) { return utf8_lossy(path.native()); }
