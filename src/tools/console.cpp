#include "tools/console.h"

#include <cerrno>

Result<void> print(std::ostream& out, std::string_view text) {
  errno = 0;
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  if (!out) {
    int error_number = errno != 0 ? errno : EIO;
    out.clear();
    return fail(CommandError::io_errno(error_number));
  }
  return {};
}
