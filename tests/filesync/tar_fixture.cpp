#include "tar_fixture.h"

#if !defined(PELK_NO_UNPACKER)

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace {

la_ssize_t append_to_string(struct archive*, void* client, const void* buffer, size_t length) {
  static_cast<std::string*>(client)->append(static_cast<const char*>(buffer), length);
  return static_cast<la_ssize_t>(length);
}

void check(int status, struct archive* writer) {
  if (status < ARCHIVE_WARN) throw std::runtime_error(archive_error_string(writer));
}

}  // namespace

std::string tar_bytes(const std::vector<TarMember>& members) {
  std::string out;
  struct archive* writer = archive_write_new();
  check(archive_write_set_format_pax_restricted(writer), writer);
  check(archive_write_open(writer, &out, nullptr, append_to_string, nullptr), writer);
  for (const auto& member : members) {
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.path.c_str());
    archive_entry_set_mtime(entry, 1700000000, 0);
    switch (member.kind) {
      case TarMember::Kind::File:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0755);
        archive_entry_set_size(entry, static_cast<la_int64_t>(member.content.size()));
        break;
      case TarMember::Kind::Folder:
        archive_entry_set_filetype(entry, AE_IFDIR);
        archive_entry_set_perm(entry, 0755);
        break;
      case TarMember::Kind::Symlink:
        archive_entry_set_filetype(entry, AE_IFLNK);
        archive_entry_set_perm(entry, 0777);
        archive_entry_set_symlink(entry, member.link.c_str());
        break;
      case TarMember::Kind::Hardlink:
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0755);
        archive_entry_set_hardlink(entry, member.link.c_str());
        archive_entry_set_size(entry, 0);
        break;
    }
    check(archive_write_header(writer, entry), writer);
    if (!member.content.empty() && member.kind == TarMember::Kind::File) {
      archive_write_data(writer, member.content.data(), member.content.size());
    }
    archive_entry_free(entry);
  }
  check(archive_write_close(writer), writer);
  archive_write_free(writer);
  return out;
}

std::string gzip_bytes(std::string_view data) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, data.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

void set_first_member_size(std::string& tar, std::uint64_t size) {
  char field[13];
  std::snprintf(field, sizeof field, "%011llo", static_cast<unsigned long long>(size));
  tar.replace(124, 11, field, 11);
  tar.replace(148, 8, "        ");
  unsigned sum = 0;
  for (int i = 0; i < 512; ++i) sum += static_cast<unsigned char>(tar[i]);
  char checksum[8];
  std::snprintf(checksum, sizeof checksum, "%06o", sum);
  tar.replace(148, 7, checksum, 7);  // six digits, NUL, and the space stays
}

#endif
