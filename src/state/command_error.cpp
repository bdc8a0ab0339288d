#include "state/command_error.h"

#include <cerrno>

namespace {

// The category of the C library's errno numbers. On POSIX they are the
// system's own codes; on Windows the system's codes are Win32 errors, a
// different numbering, so errno values belong to the generic category there.
const std::error_category& errno_category() {
#ifdef _WIN32
  return std::generic_category();
#else
  return std::system_category();
#endif
}

}  // namespace

CommandError CommandError::message(std::string text) {
  return CommandError(Kind::Message, std::move(text), std::nullopt);
}

CommandError CommandError::io(std::error_code code) {
  return CommandError(Kind::Io, code.message(), code);
}

CommandError CommandError::io_errno(int error_number) {
  return io(std::error_code(error_number, errno_category()));
}

CommandError CommandError::io(std::string description) {
  return CommandError(Kind::Io, std::move(description), std::nullopt);
}

std::string CommandError::display() const {
  if (!code_) return text_;
  return text_ + " (os error " + std::to_string(code_->value()) + ")";
}
