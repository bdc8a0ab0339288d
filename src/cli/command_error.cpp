#include "cli/command_error.h"

#include <cerrno>

#include "state/errno_category.h"

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
