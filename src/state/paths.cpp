#include "state/paths.h"

#include <algorithm>
#include <vector>

#if defined(_WIN32)
#include "state/environment_windows.h"
#else
#include <cstdlib>
#endif

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> components(const fs::path& path) {
  std::vector<fs::path> parts;
  for (const auto& part : path) {
    if (part.empty() || part == ".") continue;
    parts.push_back(part);
  }
  return parts;
}

}  // namespace

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

bool same_path(const fs::path& a, const fs::path& b) { return components(a) == components(b); }

bool paths_overlap(const fs::path& a, const fs::path& b) {
  auto left = components(a);
  auto right = components(b);
  if (left.empty() || right.empty()) return false;
  std::size_t shared = std::min(left.size(), right.size());
  return std::equal(left.begin(), left.begin() + static_cast<std::ptrdiff_t>(shared), right.begin());
}
