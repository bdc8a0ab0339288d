// Pruning on POSIX works relative to the open folder (fstatat, unlinkat) and
// takes file types from the listing, so each file costs one stat and one
// unlink without walking its full path again; a share folder can hold many
// thousands of screenshots.
#include "share/retention.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
namespace chrono = std::chrono;

namespace {

struct Instant {
  std::int64_t seconds;
  long nanoseconds;  // 0 to 999999999
};

Instant instant_of(chrono::system_clock::time_point time) {
  auto since_epoch = chrono::duration_cast<chrono::nanoseconds>(time.time_since_epoch());
  auto seconds = chrono::floor<chrono::seconds>(since_epoch);
  return {seconds.count(), static_cast<long>((since_epoch - seconds).count())};
}

// Whether a file modified at `modified` is more than `limit_seconds` old at
// `now`; a modification time after `now` is never old.
bool expired(Instant now, const struct timespec& modified, std::uint64_t limit_seconds) {
  std::int64_t seconds = now.seconds - static_cast<std::int64_t>(modified.tv_sec);
  long nanoseconds = now.nanoseconds - modified.tv_nsec;
  if (nanoseconds < 0) {
    nanoseconds += 1000000000;
    seconds -= 1;
  }
  if (seconds < 0) return false;
  auto whole = static_cast<std::uint64_t>(seconds);
  return whole > limit_seconds || (whole == limit_seconds && nanoseconds > 0);
}

const struct timespec& modification_time(const struct stat& info) {
#if defined(__APPLE__)
  return info.st_mtimespec;
#else
  return info.st_mtim;
#endif
}

}  // namespace

void prune_share_folder(const fs::path& folder, chrono::system_clock::time_point now, std::uint64_t limit_seconds) {
  int folder_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0) return;
  DIR* listing = ::fdopendir(folder_fd);
  if (listing == nullptr) {
    ::close(folder_fd);
    return;
  }
  Instant at = instant_of(now);
  while (const struct dirent* entry = ::readdir(listing)) {
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    struct stat info {};
    if (::fstatat(folder_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
    // unlinkat without AT_REMOVEDIR never removes a folder, even one that
    // took the file's place meanwhile.
    if (expired(at, modification_time(info), limit_seconds)) ::unlinkat(folder_fd, entry->d_name, 0);
  }
  ::closedir(listing);
}
