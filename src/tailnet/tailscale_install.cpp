#include "tailnet/tailscale_install.h"

#include <cerrno>
#include <optional>
#include <string>
#include <system_error>

#include "tailnet/tailscale_links.h"
#include "tools/console.h"

namespace {

// The program that runs a command line with administrator rights on the
// user's console; the other methods are not Linux's.
std::optional<std::string> elevating_program(ElevationMethod elevation) {
  switch (elevation) {
    case ElevationMethod::Sudo:
      return "sudo";
    case ElevationMethod::Pkexec:
      return "pkexec";
    case ElevationMethod::Osascript:
    case ElevationMethod::PowerShellRunAs:
      break;
  }
  return std::nullopt;
}

std::string by_hand_message() {
  return "Tailscale is not installed, and pelk finds neither sudo nor pkexec to install it with; install it from " +
         std::string(kTailscaleDownloadPage) + " and run pelk laptop connect again";
}

bool is_missing_program(const CommandError& error) {
  auto code = error.code();
  return code && *code == std::errc::no_such_file_or_directory;
}

}  // namespace

Result<void> install_tailscale(ToolRunner& runner, OsKind os, ElevationMethod elevation, std::ostream& out) {
  if (os != OsKind::Linux) return {};
  if (has_command(runner, "tailscale")) return {};
  auto elevate = elevating_program(elevation);
  if (!elevate) return fail_message(by_hand_message());
  PELK_TRY(print(out, "  Installing Tailscale from its official repository (asks for your password)\n"));
  auto installed =
      runner.run_interactive(*elevate, {"sh", "-c", "curl -fsSL " + std::string(kTailscaleInstallScript) + " | sh"});
  // The chosen method's program is missing when the machine has neither.
  if (!installed && is_missing_program(installed.error())) return fail_message(by_hand_message());
  PELK_TRY(installed);
  if (!*installed || !has_command(runner, "tailscale")) {
    return fail_message("installing Tailscale failed; install it from " + std::string(kTailscaleDownloadPage));
  }
  PELK_TRY(print(out, "  Sign in with the Tailscale account your server uses:\n"));
  // Whether the sign-in worked shows in the lookup that follows, which names
  // the client's state; its exit status says less.
  PELK_TRY(runner.run_interactive(*elevate, {"tailscale", "up"}));
  return {};
}
