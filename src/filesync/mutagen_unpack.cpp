#include "filesync/mutagen_unpack.h"

// A build without libarchive and libcrypto (PELK_UNPACKER=OFF) has no unpacker:
// the installer then says so instead of installing.
#if !defined(PELK_NO_UNPACKER)

#include <archive.h>
#include <archive_entry.h>
#include <openssl/evp.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include "filesync/mutagen_unpack_gzip.h"
#include "state/file_io.h"
#include "state/paths.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCopyBytes = 256 * 1024;

// What libarchive's read callback works from; a gzip fault is kept here so
// the caller reports it rather than libarchive's generic text.
struct TarSource {
  GzipPieces* gzip;
  std::optional<CommandError> fault;
};

la_ssize_t read_inflated(struct archive* reader, void* client, const void** buffer) {
  auto* source = static_cast<TarSource*>(client);
  auto piece = source->gzip->next();
  if (!piece) {
    archive_set_error(reader, EIO, "%s", piece.error().display().c_str());
    source->fault = std::move(piece).error();
    return -1;
  }
  *buffer = piece->data();
  return static_cast<la_ssize_t>(piece->size());
}

CommandError reader_fault(const TarSource& source, struct archive* reader) {
  if (source.fault) return *source.fault;
  const char* why = archive_error_string(reader);
  return CommandError::io(std::string("damaged tar archive: ") + (why != nullptr ? why : "unreadable member"));
}

// The last component of a member path, as tar writes them ('/' between
// parts). "." parts and trailing slashes name nothing of their own; a path
// ending in ".." has no last component.
std::optional<std::string_view> last_component(std::string_view path) {
  while (!path.empty()) {
    std::size_t slash = path.rfind('/');
    std::string_view part = slash == std::string_view::npos ? path : path.substr(slash + 1);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
    if (part.empty() || part == ".") continue;
    if (part == "..") return std::nullopt;
    return part;
  }
  return std::nullopt;
}

bool is_wanted(std::string_view name) {
  for (auto wanted : kMutagenMemberNames) {
    if (name == wanted) return true;
  }
  return false;
}

bool is_executable_name(std::string_view name) { return name == "mutagen" || name == "mutagen.exe"; }

bool is_plain_file(struct archive_entry* entry) {
  return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr &&
         archive_entry_symlink(entry) == nullptr;
}

CommandError too_large(std::uint64_t size) {
  return CommandError::io("a member of the Mutagen download holds " + std::to_string(size) +
                          " bytes, more than pelk unpacks");
}

[[nodiscard]] Result<void> write_member(struct archive* reader, const TarSource& source, const fs::path& target,
                          std::vector<char>& copy) {
  std::uint64_t written = 0;
  ChunkSource content = [&]() -> Result<std::optional<std::string_view>> {
    la_ssize_t n = archive_read_data(reader, copy.data(), copy.size());
    if (n < 0) return fail(reader_fault(source, reader));
    if (n == 0) return std::optional<std::string_view>();
    written += static_cast<std::uint64_t>(n);
    if (written > kMaxMemberBytes) return fail(too_large(written));
    return std::optional<std::string_view>(std::string_view(copy.data(), static_cast<std::size_t>(n)));
  };
  return write_file_atomically_from(target, content);
}

}  // namespace

Result<std::string> sha256_hex(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    return fail(CommandError::io("SHA-256 is not available"));
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    text.push_back(kDigits[digest[i] >> 4]);
    text.push_back(kDigits[digest[i] & 0x0f]);
  }
  return text;
}

Result<void> extract_mutagen_files(std::string_view gzip_bytes, const fs::path& tools_folder) {
  GzipPieces gzip(gzip_bytes);
  TarSource source{&gzip, std::nullopt};
  std::unique_ptr<struct archive, decltype(&archive_read_free)> reader(archive_read_new(), &archive_read_free);
  if (!reader) return fail(CommandError::io("the tar reader could not start"));
  archive_read_support_format_tar(reader.get());
  if (archive_read_open(reader.get(), &source, nullptr, read_inflated, nullptr) != ARCHIVE_OK) {
    return fail(reader_fault(source, reader.get()));
  }

  std::vector<char> copy(kCopyBytes);
  for (;;) {
    struct archive_entry* entry = nullptr;
    int status = archive_read_next_header(reader.get(), &entry);
    if (status == ARCHIVE_EOF) break;
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) return fail(reader_fault(source, reader.get()));

    const char* path = archive_entry_pathname(entry);
    if (path == nullptr) path = archive_entry_pathname_utf8(entry);
    if (path == nullptr) return fail(CommandError::io("a member of the Mutagen download has an unreadable name"));
    auto last = last_component(path);
    if (!last) continue;
    std::string name = utf8_lossy(*last);
    if (!is_wanted(name) || !is_plain_file(entry)) continue;
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > static_cast<la_int64_t>(kMaxMemberBytes)) {
      return fail(too_large(static_cast<std::uint64_t>(archive_entry_size(entry))));
    }

    fs::path target = tools_folder / name;
    PELK_TRY(write_member(reader.get(), source, target, copy));
    if (is_executable_name(name)) {
      std::error_code ec;
      fs::permissions(target, fs::perms(0755), fs::perm_options::replace, ec);
      if (ec) return fail_io(ec);
    }
  }
  return gzip.drain();
}

// Far above the release archive's size (tens of MiB); the checksum decides the rest.
constexpr std::size_t kArchiveReadLimit = std::size_t(512) << 20;

Result<void> unpack_mutagen(const fs::path& archive, std::string_view expected_checksum, const fs::path& tools_folder) {
  PELK_TRY_ASSIGN(std::string content, read_file(archive, kArchiveReadLimit));
  PELK_TRY_ASSIGN(std::string checksum, sha256_hex(content));
  if (checksum != expected_checksum) {
    return fail_message("the Mutagen download does not match its checksum (got " + checksum +
                        "); nothing was installed");
  }
  PELK_TRY(extract_mutagen_files(content, tools_folder));
  std::error_code ec;
  if (!fs::is_regular_file(tools_folder / mutagen_executable_name(), ec)) {
    return fail_message("the Mutagen download has no mutagen binary");
  }
  return {};
}

#endif  // !PELK_NO_UNPACKER
