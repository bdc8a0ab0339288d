#include "tools/search_path.h"

#include <cstdlib>
#include <mutex>

#include "state/paths.h"

namespace fs = std::filesystem;

namespace {

std::mutex& environment_lock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

std::vector<std::string> split_search_path(std::string_view value) {
  std::vector<std::string> entries;
  for (;;) {
    size_t colon = value.find(':');
    entries.emplace_back(value.substr(0, colon));
    if (colon == std::string_view::npos) break;
    value.remove_prefix(colon + 1);
  }
  return entries;
}

std::optional<std::string> join_search_path(const std::vector<std::string>& entries) {
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].find(':') != std::string::npos) return std::nullopt;
    if (i > 0) out += ':';
    out += entries[i];
  }
  return out;
}

std::optional<std::string> search_path_with_first(std::string_view value, const fs::path& folder) {
  auto entries = split_search_path(value);
  for (const auto& entry : entries) {
    if (same_path(fs::path(entry), folder)) return std::nullopt;
  }
  entries.insert(entries.begin(), folder.native());
  return join_search_path(entries);
}

void ensure_tools_on_path(const fs::path& home) {
  fs::path folder = tools_dir(home);
  std::lock_guard guard(environment_lock());
  const char* current = std::getenv("PATH");
  auto updated = search_path_with_first(current ? current : "", folder);
  if (updated) ::setenv("PATH", updated->c_str(), 1);
}
