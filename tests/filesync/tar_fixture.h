// Release-like archives built in the test: tar members written with
// libarchive's writer, compressed with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TarMember {
  enum class Kind { File, Folder, Symlink, Hardlink };
  std::string path;
  std::string content = "";
  Kind kind = Kind::File;
  std::string link = "";  // the target of a link
};

std::string tar_bytes(const std::vector<TarMember>& members);
std::string gzip_bytes(std::string_view data);
inline std::string tar_gz(const std::vector<TarMember>& members) { return gzip_bytes(tar_bytes(members)); }

// Rewrites the size field of the first member's header (and its checksum),
// so the header claims more content than the archive holds.
void set_first_member_size(std::string& tar, std::uint64_t size);
