#include "filesync/code_folder_size.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool is_dot_entry(const char* name) { return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')); }

std::string joined(const std::string& folder, const char* name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

}  // namespace

// An explicit stack rather than recursion, so a deep tree cannot exhaust the
// call stack; each entry is looked at relative to its open folder, and a
// folder entry needs no look at all when the listing already says what it is.
bool folder_exceeds(const std::filesystem::path& folder, std::uint64_t limit) {
  std::uint64_t total = 0;
  std::vector<std::string> stack{folder.native()};
  while (!stack.empty()) {
    std::string current = std::move(stack.back());
    stack.pop_back();
    int fd = ::open(current.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) continue;
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
      ::close(fd);
      continue;
    }
    while (const dirent* entry = ::readdir(listing)) {
      if (is_dot_entry(entry->d_name)) continue;
      if (entry->d_type == DT_DIR) {
        stack.push_back(joined(current, entry->d_name));
        continue;
      }
      struct stat info {};
      if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISDIR(info.st_mode)) {
        stack.push_back(joined(current, entry->d_name));
        continue;
      }
      if (info.st_size > 0) total += static_cast<std::uint64_t>(info.st_size);
      if (total > limit) {
        ::closedir(listing);
        return true;
      }
    }
    ::closedir(listing);
  }
  return false;
}
