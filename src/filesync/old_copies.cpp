#include "filesync/old_copies.h"

#include <algorithm>

#include "state/clock.h"
#include "state/file_io.h"
#include "state/text.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool something_at(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);  // follows links: a broken link is nothing
}

// "/Users/ann/Code/" and "/Users/ann/Code/." name the folder Code.
fs::path without_trailing_parts(fs::path folder) {
  while (folder.has_relative_path() && (folder.filename().empty() || folder.filename() == ".")) {
    folder = folder.parent_path();
  }
  return folder;
}

}  // namespace

std::vector<std::string> resynced_projects(const SyncSpec& server, const SyncSpec& laptop,
                                           const fs::path& code_folder) {
  std::vector<std::string> names;
  for (const auto& name : server.projects) {
    if (!valid_project_name(name) || contains(server.server_only, name)) continue;
    bool was_synced = laptop.enabled && !contains(laptop.server_only, name);
    if (was_synced) continue;
    if (something_at(code_folder / name)) names.push_back(name);
  }
  return names;
}

fs::path old_copies_folder(const fs::path& code_folder, std::uint64_t seconds) {
  fs::path folder = without_trailing_parts(code_folder);
  bool has_name = folder.has_relative_path() && folder.filename() != "..";
  // A root has no parent and no name: its old copies go inside it.
  fs::path base = folder.has_relative_path() ? folder.parent_path() : folder;
  std::string name = has_name ? display_path(folder.filename()) : "Code";
  return base / path_from_utf8(name + "-pelk-old") / std::to_string(seconds);
}

namespace {

// A folder of this move's own: the seconds, or the seconds and "-2", "-3"...
// when an earlier move in the same second made that one. Making the folder is
// what claims it, so two moves never share one.
[[nodiscard]] Result<fs::path> claim_old_copies_folder(const fs::path& dated) {
  PELK_TRY(create_folders(dated.parent_path()));
  std::string seconds = display_path(dated.filename());
  for (unsigned n = 1;; ++n) {
    fs::path candidate = n == 1 ? dated : dated.parent_path() / path_from_utf8(seconds + "-" + std::to_string(n));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) return candidate;
    if (ec && ec != std::errc::file_exists) return fail_io(ec);
  }
}

}  // namespace

Result<void> move_aside_old_copies(const fs::path& code_folder, const std::vector<std::string>& requested,
                                   std::ostream& out) {
  // Only a plain project name can never reach outside the code folder.
  std::vector<std::string> names;
  for (const auto& name : requested) {
    if (valid_project_name(name) && !contains(names, name)) names.push_back(name);
  }
  if (names.empty()) return {};
  PELK_TRY_ASSIGN(fs::path target, claim_old_copies_folder(old_copies_folder(code_folder, unix_seconds_now())));
  for (const auto& name : names) {
    std::error_code ec;
    fs::rename(code_folder / name, target / name, ec);
    if (ec) return fail_io(ec);
  }
  return print(out, "  Syncing again from the server: " + join(names, ", ") + ". The older laptop copies are in " +
                        display_path(target) + ".\n");
}

std::vector<std::string> server_only_copies(const SyncSpec& server, const fs::path& code_folder) {
  std::vector<std::string> names;
  for (const auto& name : server.server_only) {
    // Only a plain project name names a folder inside the code folder.
    if (!valid_project_name(name)) continue;
    std::error_code ec;
    if (fs::is_directory(code_folder / name, ec)) names.push_back(name);
  }
  return names;
}
