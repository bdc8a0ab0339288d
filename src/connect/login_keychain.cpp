#include "connect/login_keychain.h"

#include <string>
#include <system_error>

#include "tools/script_quote.h"
#include "state/text.h"

namespace fs = std::filesystem;

fs::path login_keychain_path(const fs::path& home) { return home / "Library/Keychains/login.keychain-db"; }

Result<void> trust_in_login_keychain(ToolRunner& runner, const fs::path& home, const fs::path& certificate) {
  // Without -d the setting goes to the user's trust domain, not the admin's.
  PELK_TRY_ASSIGN(ToolOutput run, run_capture(runner, "security",
                                              {"add-trusted-cert", "-r", "trustRoot", "-k",
                                               display_path(login_keychain_path(home)), display_path(certificate)}));
  if (run.success) return {};
  return fail_message("trusting the environment's certificate failed or was cancelled: " + std::string(trim(run.std_err)));
}

void login_keychain_trust_removal(ToolRunner& runner, const fs::path& home, const fs::path& certificate) {
  std::error_code ec;
  if (!fs::is_regular_file(certificate, ec)) return;
  const std::string path = display_path(certificate);
  (void)run_capture(runner, "security", {"remove-trusted-cert", path});
  (void)run_capture(runner, "sh",
                    {"-c", "security delete-certificate -Z \"$(openssl x509 -in " + shell_quote(path) +
                               " -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')\" " +
                               shell_quote(display_path(login_keychain_path(home)))});
}
