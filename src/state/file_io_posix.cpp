#include "state/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace fs = std::filesystem;

namespace {

std::unexpected<CommandError> last_error() { return fail(CommandError::io_errno(errno)); }

// The file a chain of symbolic links ends at (the path itself when it is none).
Result<fs::path> final_target(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    auto status = fs::symlink_status(path, ec);
    if (ec || !fs::is_symlink(status)) return path;
    fs::path next = fs::read_symlink(path, ec);
    if (ec) return fail_io(ec);
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return fail(CommandError::io_errno(ELOOP));
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

Result<std::string> read_file(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return last_error();
  std::string content;
  // Sized up front, so a large file is never held twice while the text grows.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    content.reserve(static_cast<size_t>(info.st_size));
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      ::close(fd);
      return fail(CommandError::io_errno(saved));
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return content;
}

bool is_not_found(const CommandError& error) {
  auto code = error.code();
  return code && *code == std::errc::no_such_file_or_directory;
}

Result<void> write_file_atomically_from(const fs::path& target, const ChunkSource& next, fs::perms new_file_mode) {
  PELK_TRY_ASSIGN(fs::path destination, final_target(target));

  struct stat existing {};
  bool exists = ::stat(destination.c_str(), &existing) == 0;
  mode_t mode = exists ? (existing.st_mode & 07777) : static_cast<mode_t>(new_file_mode);

  static std::atomic<unsigned> counter{0};
  fs::path temporary = destination.parent_path() /
                       ("." + destination.filename().string() + ".pelk-" + std::to_string(::getpid()) + "-" +
                        std::to_string(counter++));
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return last_error();
  auto abandon = [&](CommandError error) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return fail(std::move(error));
  };
  for (;;) {
    auto piece = next();
    if (!piece) return abandon(std::move(piece).error());
    if (!*piece) break;
    if (!write_all(fd, **piece)) return abandon(CommandError::io_errno(errno));
  }
  if (::fsync(fd) != 0) return abandon(CommandError::io_errno(errno));
  // The umask narrowed the new file's mode; an existing file's mode is kept exactly.
  if (exists && ::fchmod(fd, mode) != 0) return abandon(CommandError::io_errno(errno));
  int closed = ::close(fd);
  if (closed != 0 || ::rename(temporary.c_str(), destination.c_str()) != 0) {
    int saved = errno;
    ::unlink(temporary.c_str());
    return fail(CommandError::io_errno(saved));
  }
  return {};
}
