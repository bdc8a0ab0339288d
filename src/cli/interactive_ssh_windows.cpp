#include "cli/interactive_ssh.h"

#include "tools/real_runner.h"

// On Windows the runner's interactive start already does what `pelk open`
// needs: the program found on PATH with ".exe" added, the console shared.
std::expected<bool, std::error_code> run_ssh_on_console(const std::vector<std::string>& args) {
  RealRunner runner;
  auto succeeded = runner.run_interactive("ssh", args);
  if (succeeded) return *succeeded;
  auto code = succeeded.error().code();
  return std::unexpected(code ? *code : std::make_error_code(std::errc::io_error));
}
