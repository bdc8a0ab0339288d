#include "state/home_folder.h"

#include <cstdlib>

std::optional<std::filesystem::path> read_home_folder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr) return std::nullopt;
  return std::filesystem::path(home);
}
