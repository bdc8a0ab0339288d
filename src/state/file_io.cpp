#include "state/file_io.h"

namespace fs = std::filesystem;

// The whole content is one piece.
Result<void> write_file_atomically(const fs::path& target, std::string_view bytes, fs::perms new_file_mode) {
  bool given = false;
  return write_file_atomically_from(
      target,
      [&]() -> Result<std::optional<std::string_view>> {
        if (given) return std::optional<std::string_view>();
        given = true;
        return std::optional<std::string_view>(bytes);
      },
      new_file_mode);
}

Result<void> create_folders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return fail_io(ec);
  return {};
}
