#include "state/paths.h"

#if defined(_WIN32)
#include "state/environment_windows.h"
#else
#include <cstdlib>
#endif

namespace fs = std::filesystem;

std::optional<fs::path> read_home_folder() {
#if defined(_WIN32)
  // The wide value is kept as it stands, so a home folder whose name is not
  // valid Unicode still works; only its display is lossy.
  auto value = environment_variable(L"USERPROFILE");
  if (!value) return std::nullopt;
  return fs::path(*value);
#else
  const char* home = std::getenv("HOME");
  if (home == nullptr) return std::nullopt;
  return fs::path(home);
#endif
}

fs::path state_dir(const fs::path& home) { return home / ".config" / "pelk"; }

// Joined as one relative text, so on Windows its forward slashes stay as written.
fs::path data_dir(const fs::path& home) { return home / ".local/share/pelk"; }

fs::path tools_dir(const fs::path& home) { return home / ".local" / "share" / "pelk" / "bin"; }

fs::path mutagen_executable_name() {
#if defined(_WIN32)
  return "mutagen.exe";
#else
  return "mutagen";
#endif
}
