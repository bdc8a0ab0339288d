#include "tailnet/tailscale_install.h"

#include <string>

#include "tailnet/tailscale_links.h"
#include "tools/console.h"

Result<void> install_tailscale(ToolRunner& runner, OsKind os, std::ostream& out) {
  if (os != OsKind::Linux) return {};
  if (has_command(runner, "tailscale")) return {};
  PELK_TRY(print(out, "  Installing Tailscale from its official repository (asks for your password)\n"));
  PELK_TRY_ASSIGN(bool installed,
                  runner.run_interactive("sudo", {"sh", "-c", "curl -fsSL " + std::string(kTailscaleInstallScript) + " | sh"}));
  if (!installed || !has_command(runner, "tailscale")) {
    return fail_message("installing Tailscale failed; install it from " + std::string(kTailscaleDownloadPage));
  }
  PELK_TRY(print(out, "  Sign in with the Tailscale account your server uses:\n"));
  // Whether the sign-in worked shows in the lookup that follows, which names
  // the client's state; its exit status says less.
  PELK_TRY(runner.run_interactive("sudo", {"tailscale", "up"}));
  return {};
}
