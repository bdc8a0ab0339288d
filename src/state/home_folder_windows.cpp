#include "state/home_folder.h"

#include "state/environment_windows.h"

// The wide value is kept as it stands, so a home folder whose name is not
// valid Unicode still works; only its display is lossy.
std::optional<std::filesystem::path> read_home_folder() {
  auto value = environment_variable(L"USERPROFILE");
  if (!value) return std::nullopt;
  return std::filesystem::path(*value);
}
