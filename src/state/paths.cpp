#include "state/paths.h"

namespace fs = std::filesystem;

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
