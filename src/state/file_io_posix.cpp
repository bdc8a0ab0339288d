#include "state/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <string>

#include "state/text.h"
#include "state/writer_temporaries.h"

namespace fs = std::filesystem;

namespace {

std::unexpected<CommandError> last_error() { return fail(CommandError::io_errno(errno)); }

// The file a chain of symbolic links ends at (the path itself when it is none).
[[nodiscard]] Result<fs::path> final_target(fs::path path) {
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

CommandError too_large(const fs::path& path, std::size_t limit) {
  return CommandError::message(display_path(path) + " is larger than " + std::to_string(limit >> 20) +
                               " MiB, too large for pelk to read");
}

// A rename would replace a file that the user cannot write, or a FIFO or a
// device, where an in-place write would fail or block; so the target is held
// to what writing it in place takes.
// The message names the path as given, which the user knows, rather than
// where its links end.
[[nodiscard]] Result<void> check_replaceable(const fs::path& target, const fs::path& destination, const struct stat& existing) {
  if (S_ISDIR(existing.st_mode)) return fail(CommandError::io_errno(EISDIR));
  if (!S_ISREG(existing.st_mode)) return fail(not_a_regular_file(target));
  int probe = ::open(destination.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  // A program that runs from the file (the installed Mutagen) may be
  // replaced: that is what the rename is for.
  if (probe < 0) return errno == ETXTBSY ? Result<void>() : last_error();
  ::close(probe);
  return {};
}

}  // namespace

Result<std::string> read_file(const fs::path& path, std::size_t limit) {
  // Without blocking: opening a FIFO for reading waits for a writer otherwise.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return last_error();
  auto give_up = [&](CommandError error) {
    ::close(fd);
    return fail(std::move(error));
  };
  struct stat info {};
  if (::fstat(fd, &info) != 0) return give_up(CommandError::io_errno(errno));
  if (S_ISDIR(info.st_mode)) return give_up(CommandError::io_errno(EISDIR));
  if (!S_ISREG(info.st_mode)) return give_up(not_a_regular_file(path));
  if (static_cast<std::uintmax_t>(info.st_size) > limit) return give_up(too_large(path, limit));
  std::string content;
  // Sized up front, so a large file is never held twice while the text grows.
  content.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return give_up(CommandError::io_errno(errno));
    }
    if (n == 0) break;
    // A file that grows while it is read is held to the same bound.
    if (static_cast<size_t>(n) > limit - content.size()) return give_up(too_large(path, limit));
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
  if (exists) PELK_TRY(check_replaceable(target, destination, existing));
  mode_t mode = exists ? (existing.st_mode & 07777) : static_cast<mode_t>(new_file_mode);

  fs::path folder = destination.parent_path();
  remove_stale_writer_temporaries(folder.empty() ? fs::path(".") : folder);
  static std::atomic<unsigned> counter{0};
  fs::path temporary = folder / writer_temporary_name(static_cast<unsigned long>(::getpid()), counter++);
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
