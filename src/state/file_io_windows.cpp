#include "state/file_io.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>

#include "state/text.h"
#include "state/writer_temporaries.h"

namespace fs = std::filesystem;

namespace {

std::error_code last_error_code() { return {static_cast<int>(::GetLastError()), std::system_category()}; }
std::unexpected<CommandError> last_error() { return fail_io(last_error_code()); }

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() { close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  bool close() {
    if (!valid()) return true;
    bool closed = ::CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// The file a symbolic link (or a chain of them) ends at; the path itself when
// it is no link. Windows resolves the chain when the link is opened.
[[nodiscard]] Result<fs::path> final_target(const fs::path& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return path;
  FileHandle link(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!link.valid()) return last_error();
  std::wstring final_path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = ::GetFinalPathNameByHandleW(link.get(), final_path.data(), static_cast<DWORD>(final_path.size()),
                                               FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return last_error();
    if (length < final_path.size()) {
      final_path.resize(length);
      return fs::path(final_path);
    }
    final_path.resize(length);
  }
}

bool write_all(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// The attributes that stand for a POSIX file's mode here: read-only mostly.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

CommandError too_large(const fs::path& path, std::size_t limit) {
  return CommandError::message(display_path(path) + " is larger than " + std::to_string(limit >> 20) +
                               " MiB, too large for pelk to read");
}

// The target is held to what writing it in place takes: a read-only file, or
// one the user's rights do not let them write, is refused as an in-place
// write would be ("Access is denied"), instead of being replaced.
[[nodiscard]] Result<void> check_replaceable(const fs::path& target, const fs::path& destination, DWORD attributes) {
  // Said outright, as Windows itself refuses the write; the probe below
  // covers the user's rights.
  if (attributes & FILE_ATTRIBUTE_READONLY) return fail_io(std::error_code(ERROR_ACCESS_DENIED, std::system_category()));
  FileHandle probe(::CreateFileW(destination.c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe.valid()) return last_error();
  if (::GetFileType(probe.get()) != FILE_TYPE_DISK) return fail(not_a_regular_file(target));
  return {};
}

}  // namespace

Result<std::string> read_file(const fs::path& path, std::size_t limit) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return last_error();
  // A named pipe or a device in the file's place is refused before any read.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) return fail(not_a_regular_file(path));
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) return last_error();
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) return fail(too_large(path, limit));
  std::string content;
  // Sized up front, so a large file is never held twice while the text grows.
  content.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return last_error();
    if (n == 0) break;
    // A file that grows while it is read is held to the same bound.
    if (n > limit - content.size()) return fail(too_large(path, limit));
    content.append(buffer, n);
  }
  return content;
}

bool is_not_found(const CommandError& error) {
  auto code = error.code();
  if (!code) return false;
  if (code->category() == std::system_category() &&
      (code->value() == ERROR_FILE_NOT_FOUND || code->value() == ERROR_PATH_NOT_FOUND)) {
    return true;
  }
  return *code == std::errc::no_such_file_or_directory;
}

Result<void> write_file_atomically_from(const fs::path& target, const ChunkSource& next, fs::perms new_file_mode) {
  PELK_TRY_ASSIGN(fs::path destination, final_target(target));

  DWORD existing = ::GetFileAttributesW(destination.c_str());
  bool exists = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY);
  if (exists) PELK_TRY(check_replaceable(target, destination, existing));
  DWORD kept = 0;
  if (exists) {
    kept = existing & kKeptAttributes;
  } else if ((new_file_mode & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) ==
             fs::perms::none) {
    kept = FILE_ATTRIBUTE_READONLY;
  }

  fs::path folder = destination.parent_path();
  remove_stale_writer_temporaries(folder.empty() ? fs::path(".") : folder);
  static std::atomic<unsigned> counter{0};
  fs::path temporary = folder / writer_temporary_name(::GetCurrentProcessId(), counter++);
  FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.valid()) return last_error();
  auto abandon = [&](CommandError error) {
    file.close();
    ::DeleteFileW(temporary.c_str());
    return fail(std::move(error));
  };
  auto abandon_last = [&] { return abandon(CommandError::io(last_error_code())); };
  for (;;) {
    auto piece = next();
    if (!piece) return abandon(std::move(piece).error());
    if (!*piece) break;
    if (!write_all(file.get(), **piece)) return abandon_last();
  }
  if (!::FlushFileBuffers(file.get())) return abandon_last();
  if (!file.close()) return abandon_last();
  if (kept != 0 && !::SetFileAttributesW(temporary.c_str(), kept)) return abandon_last();

  if (!::MoveFileExW(temporary.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    std::error_code code = last_error_code();
    ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(temporary.c_str());
    return fail_io(code);
  }
  return {};
}
