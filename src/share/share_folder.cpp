#include "share/share_folder.h"

#include <system_error>

#include "state/text.h"

namespace fs = std::filesystem;

namespace {

void add_oversized(const fs::path& folder, std::vector<fs::path>& found) {
  std::error_code ec;
  fs::directory_iterator entries(folder, ec);
  if (ec) return;
  for (auto end = fs::directory_iterator(); entries != end; entries.increment(ec)) {
    if (ec) return;
    std::error_code entry_ec;
    if (entries->is_symlink(entry_ec) || entry_ec || !entries->is_regular_file(entry_ec) || entry_ec) continue;
    std::uintmax_t size = entries->file_size(entry_ec);
    if (!entry_ec && size > kShareSizeLimit) found.push_back(entries->path());
  }
}

}  // namespace

fs::path share_folder(const fs::path& home) { return home / kShareFolderName; }
fs::path from_server_folder(const fs::path& home) { return share_folder(home) / kFromServerFolderName; }
fs::path keep_folder(const fs::path& home) { return share_folder(home) / kKeepFolderName; }

std::string server_share_folder(std::string_view laptop_name) {
  return "Share/" + std::string(laptop_name);
}

std::string server_file_path(std::string_view laptop_name, std::string_view stored_name) {
  return std::string(kServerShareRoot) + "/" + std::string(laptop_name) + "/" + std::string(stored_name);
}

std::string over_share_size_limit(const fs::path& file) {
  return display_path(file) + " is over " + std::to_string(kShareSizeLimitMegabytes) +
         " MB; move it another way (scp, rsync)";
}

std::vector<fs::path> oversized_share_files(const fs::path& share_folder) {
  std::vector<fs::path> found;
  add_oversized(share_folder, found);
  add_oversized(share_folder / kKeepFolderName, found);
  return found;
}
