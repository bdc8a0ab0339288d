// Pruning through the standard library's folder listing; the type of each
// entry comes from the listing, so only files pay for a look at their times.
#include "share/retention.h"

#include <system_error>

namespace fs = std::filesystem;
namespace chrono = std::chrono;

namespace {

// Whether an age is more than a limit of whole seconds. Compared in seconds
// and the remaining fraction, since a limit of billions of days does not fit
// the clock's own tick count.
bool older_than(fs::file_time_type::duration age, std::uint64_t limit_seconds) {
  auto whole = chrono::floor<chrono::seconds>(age);
  auto seconds = static_cast<std::uint64_t>(whole.count());
  return seconds > limit_seconds || (seconds == limit_seconds && age > whole);
}

}  // namespace

void prune_share_folder(const fs::path& folder, chrono::system_clock::time_point now, std::uint64_t limit_seconds) {
  std::error_code ec;
  fs::directory_iterator entries(folder, ec);
  if (ec) return;
  auto now_on_file_clock = fs::file_time_type::clock::from_sys(now);
  for (auto end = fs::directory_iterator(); entries != end; entries.increment(ec)) {
    if (ec) return;
    const fs::directory_entry& entry = *entries;
    std::error_code entry_ec;
    if (entry.is_symlink(entry_ec) || entry_ec || !entry.is_regular_file(entry_ec) || entry_ec) continue;
    auto modified = entry.last_write_time(entry_ec);
    if (entry_ec || modified > now_on_file_clock) continue;
    if (older_than(now_on_file_clock - modified, limit_seconds)) fs::remove(entry.path(), entry_ec);
  }
}
