// The failure value of every laptop command: a finished message, or an error
// that the operating system reported (with or without its error code).
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

class CommandError {
 public:
  enum class Kind { Message, Io };

  static CommandError message(std::string text);
  // An operating-system error; its display text ends with " (os error N)".
  static CommandError io(std::error_code code);
  static CommandError io_errno(int error_number);
  // An I/O error that carries a description but no OS error code.
  static CommandError io(std::string description);

  Kind kind() const { return kind_; }
  bool is_message() const { return kind_ == Kind::Message; }
  bool is_io() const { return kind_ == Kind::Io; }
  std::optional<std::error_code> code() const { return code_; }

  // What the user reads after "pelk: ".
  std::string display() const;

 private:
  CommandError(Kind kind, std::string text, std::optional<std::error_code> code)
      : kind_(kind), text_(std::move(text)), code_(code) {}

  Kind kind_;
  std::string text_;
  std::optional<std::error_code> code_;
};

template <class T>
using Result = std::expected<T, CommandError>;

inline std::unexpected<CommandError> fail(CommandError error) {
  return std::unexpected<CommandError>(std::move(error));
}
inline std::unexpected<CommandError> fail_message(std::string text) {
  return fail(CommandError::message(std::move(text)));
}
inline std::unexpected<CommandError> fail_io(std::error_code code) {
  return fail(CommandError::io(code));
}

#define PELK_CONCAT_INNER(a, b) a##b
#define PELK_CONCAT(a, b) PELK_CONCAT_INNER(a, b)

// PELK_TRY(expr): return the error of a failed Result from the enclosing function.
// Both macros serve any std::expected, the JSON readers' JsonResult too.
#define PELK_TRY(expr)                                              \
  do {                                                              \
    auto&& pelk_try_result_ = (expr);                               \
    if (!pelk_try_result_)                                          \
      return std::unexpected(std::move(pelk_try_result_).error());  \
  } while (false)

// PELK_TRY_ASSIGN(decl, expr): declare `decl` from the value of a successful Result.
#define PELK_TRY_ASSIGN(decl, expr) \
  PELK_TRY_ASSIGN_IMPL(PELK_CONCAT(pelk_try_value_, __LINE__), decl, expr)
#define PELK_TRY_ASSIGN_IMPL(tmp, decl, expr)           \
  auto tmp = (expr);                                    \
  if (!tmp) return std::unexpected(std::move(tmp).error()); \
  decl = std::move(*tmp)
