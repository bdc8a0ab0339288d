#include "maintenance/uninstall.h"

#include "connect/browser_trust.h"
#include "connect/dns_route.h"
#include "connect/login_keychain.h"
#include "connect/ssh_block.h"
#include "connect/system_trust.h"
#include "filesync/mutagen_sessions.h"
#include "state/paths.h"
#include "state/text.h"
#include "tools/console.h"
#include "tools/elevation.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kInstalledCommand = "/usr/local/bin/pelk";

bool regular_file_at(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

}  // namespace

std::string uninstall_script(OsKind os, const fs::path& certificate) {
  std::string dns = dns_removal_command(os);
  std::string trust = system_trust_removal_command(os, certificate);
  if (os == OsKind::Windows) return dns + "\n" + trust;
  return dns + " && " + trust + " && rm -f " + std::string(kInstalledCommand);
}

Result<void> uninstall_laptop(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  const fs::path& home = context.home;
  OsKind os = context.os;
  std::ostream& out = context.out;
  terminate_own_sessions(runner);
  fs::path certificate = state_dir(home) / "ca.pem";
  if (os == OsKind::MacOs && regular_file_at(certificate)) {
    login_keychain_trust_removal(runner, home, certificate);
  }

  PELK_TRY_ASSIGN(bool removed, run_elevated(context.elevation, runner, uninstall_script(os, certificate)));
  if (!removed) {
    return fail_message(
        "removing the certificate, DNS route and pelk command failed or was cancelled; see the output above");
  }
  if (os == OsKind::Linux) nss_trust_removal(runner, home);
  PELK_TRY(remove_ssh_block(home));

  auto listing = list_sessions(runner);
  bool other_sessions = listing && any_session_listed(*listing);
  std::error_code ignored;
  if (!other_sessions) {
    if (regular_file_at(tools_dir(home) / mutagen_executable_name())) (void)stop_mutagen_daemon(runner);
    fs::remove_all(data_dir(home), ignored);
  }
  fs::remove_all(state_dir(home), ignored);

  PELK_TRY(print(out, "pelk was removed from this laptop. Your synced folder and ~/pelk-share stay as they are.\n"));
  if (os == OsKind::Windows) {
    PELK_TRY(print(out, "  Delete pelk.exe yourself if you installed the command; the app is removed from Settings > Apps.\n"));
  }
  if (other_sessions && fs::exists(data_dir(home), ignored)) {
    PELK_TRY(print(out, "  The Mutagen in " + display_path(data_dir(home)) +
                            " still runs your other sync sessions, so it stays.\n"));
  }
  return {};
}
