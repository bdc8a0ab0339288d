#include "filesync/code_folder_size.h"

#include <vector>

namespace fs = std::filesystem;

// An explicit stack rather than recursion, so a deep tree cannot exhaust the
// call stack. A link (or junction) is never entered; its own size is zero here.
bool folder_exceeds(const fs::path& folder, std::uint64_t limit) {
  std::uint64_t total = 0;
  std::vector<fs::path> stack{folder};
  while (!stack.empty()) {
    fs::path current = std::move(stack.back());
    stack.pop_back();
    std::error_code ec;
    fs::directory_iterator listing(current, ec);
    if (ec) continue;
    for (; listing != fs::directory_iterator(); listing.increment(ec)) {
      if (ec) break;
      std::error_code entry_error;
      auto status = listing->symlink_status(entry_error);
      if (entry_error) continue;
      if (fs::is_symlink(status)) continue;
      if (fs::is_directory(status)) {
        stack.push_back(listing->path());
        continue;
      }
      if (!fs::is_regular_file(status)) continue;
      auto size = listing->file_size(entry_error);
      if (entry_error) continue;
      total += size;
      if (total > limit) return true;
    }
  }
  return false;
}
