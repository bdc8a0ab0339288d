#include "connect/connect_laptop.h"

#include "connect/browser_trust.h"
#include "connect/login_keychain.h"
#include "connect/server_change.h"
#include "connect/sites_zone.h"
#include "connect/setup_script.h"
#include "connect/ssh_block.h"
#include "filesync/code_folder_size.h"
#include "filesync/code_sync.h"
#include "filesync/mutagen_install.h"
#include "filesync/other_sync_session.h"
#include "share/share_setup.h"
#include "state/file_io.h"
#include "state/laptop_config.h"
#include "state/paths.h"
#include "state/text.h"
#include "tailnet/server_lookup.h"
#include "tailnet/tailscale_install.h"
#include "tools/console.h"
#include "tools/elevation.h"
#include "state/server_alias.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWebPanel = "https://panel.pelk.dev";
// The environment's CA on the server: the current data folder first, then the older one.
constexpr std::string_view kServerCertificate = ".local/share/pelk/ca.cert.pem";
constexpr std::string_view kOlderServerCertificate = ".local/share/lunt/ca.cert.pem";

[[nodiscard]] Result<void> header(std::ostream& out, std::string_view title) {
  return print(out, "==> " + std::string(title) + "\n");
}

std::string trust_step_title(OsKind os) {
  std::string title = "Trusting the certificate and sending *." + std::string(kSitesZone) + " to your server ";
  return title + (os == OsKind::Windows ? "(asks for administrator approval once)" : "(asks for your password once)");
}

[[nodiscard]] Result<void> check_code_folder(const ConnectRequest& request, ToolRunner& runner, std::ostream& out) {
  if (!request.force) {
    if (auto message = other_sync_session_message(runner, request.code_dir)) {
      return fail_message(*message +
                          "\nPick a folder of its own with --code-dir <folder>, or run again with --force to sync it "
                          "anyway.");
    }
  }
  if (auto note = code_folder_size_note(request.code_dir)) PELK_TRY(print(out, "Note: " + *note + "\n"));
  return {};
}

[[nodiscard]] Result<void> check_login(ToolRunner& runner, const std::string& address) {
  PELK_TRY_ASSIGN(ToolOutput login, runner.run_capture("ssh",
                                                       {"-o", "BatchMode=yes", "-o", "ConnectTimeout=15", "-o",
                                                        "StrictHostKeyChecking=accept-new", std::string(kServerAlias), "true"},
                                                       std::nullopt));
  if (login.success) return {};
  return fail_message("cannot log in as dev@" + address + ": " + std::string(trim(login.std_err)) +
                      "\nThis laptop's SSH key is not on the server yet. Add its public key (for example "
                      "~/.ssh/id_ed25519.pub; no key yet? run ssh-keygen -t ed25519) on your server's page at " +
                      std::string(kWebPanel) + " under SSH keys, then rerun.");
}

// Fetches the environment's certificate and stores it as ca.pem, byte for byte.
[[nodiscard]] Result<fs::path> fetch_certificate(ToolRunner& runner, const fs::path& home) {
  std::string command = "cat " + std::string(kServerCertificate) + " 2>/dev/null || cat " +
                        std::string(kOlderServerCertificate);
  PELK_TRY_ASSIGN(ToolOutput fetched, runner.run_capture_bounded("ssh", {std::string(kServerAlias), command},
                                                                 std::nullopt, kParsedOutputLimit));
  if (!fetched.success || fetched.std_out.find("BEGIN CERTIFICATE") == std::string::npos) {
    std::string why = fetched.over_limit
                          ? "its certificate file is over " + std::to_string(kParsedOutputLimit >> 20) + " MiB"
                          : std::string(trim(fetched.std_err));
    return fail_message("the server has no local CA yet (" + why +
                        "); check that the environment is running with 'sudo pelk host status' on the server");
  }
  fs::path certificate = state_dir(home) / "ca.pem";
  PELK_TRY(create_folders(state_dir(home)));
  PELK_TRY(write_file_atomically(certificate, fetched.std_out));
  return certificate;
}

[[nodiscard]] Result<void> trust_and_route(const LaptopContext& context, const fs::path& certificate, const std::string& address) {
  ToolRunner& runner = context.runner;
  std::ostream& out = context.out;
  PELK_TRY(header(out, trust_step_title(context.os)));
  bool in_login_keychain = context.elevation == ElevationMethod::Osascript;
  if (in_login_keychain) PELK_TRY(trust_in_login_keychain(runner, context.home, certificate));
  PELK_TRY_ASSIGN(std::string script,
                  setup_script(runner, context.os, certificate, address, in_login_keychain, out));
  PELK_TRY_ASSIGN(bool done, run_elevated(context.elevation, runner, script));
  if (!done) return fail_message("trusting the certificate and setting up DNS failed or was cancelled; see the output above");
  if (context.os == OsKind::Linux && !has_command(runner, "wl-paste") && !has_command(runner, "xclip")) {
    PELK_TRY(print(out,
                   "  Sending clipboard screenshots needs wl-clipboard or xclip, which could not be installed; "
                   "install one with your package manager.\n"));
  }
  return trust_in_browser_stores(runner, context.os, context.home, certificate, out);
}

}  // namespace

Result<void> connect_laptop(const LaptopContext& context, const ConnectRequest& request) {
  ToolRunner& runner = context.runner;
  const fs::path& home = context.home;
  std::ostream& out = context.out;
  PELK_TRY(check_code_folder(request, runner, out));

  PELK_TRY(header(out, "Finding your server on Tailscale"));
  PELK_TRY(install_tailscale(runner, context.os, context.elevation, out));
  PELK_TRY_ASSIGN(std::string address, find_server_address(runner, request.server, context.os));
  PELK_TRY(print(out, "  " + request.server + " is " + address + "\n"));

  PELK_TRY(header(out, "SSH"));
  PELK_TRY(write_ssh_block(home, address));
  PELK_TRY(check_login(runner, address));

  PELK_TRY(header(out, "Fetching the environment's certificate"));
  PELK_TRY_ASSIGN(fs::path certificate, fetch_certificate(runner, home));

  PELK_TRY(trust_and_route(context, certificate, address));

  PELK_TRY(header(out, "File sync"));
  PELK_TRY(install_mutagen(runner, home, out));
  PELK_TRY(forget_code_sync_of_other_server(runner, home, request.server, address, out));
  PELK_TRY(sync_code(context, request.code_dir));
  PELK_TRY(setup_share(context));

  PELK_TRY(save_config(home, LaptopConfig{request.server, address, request.code_dir}));
  return print(out, "\nYour laptop is connected.\n  Code: " + display_path(request.code_dir) +
                        " <-> pelk:~/Code\n  Sites: https://<folder>." + std::string(kSitesZone) +
                        " for each folder in it\n  Terminal and agents: ssh pelk\n");
}
