#include "share/oversized_files.h"

#include <system_error>

#include "share/share_folder.h"

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

std::vector<fs::path> oversized_share_files(const fs::path& share_folder) {
  std::vector<fs::path> found;
  add_oversized(share_folder, found);
  add_oversized(share_folder / kKeepFolderName, found);
  return found;
}
