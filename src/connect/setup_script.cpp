#include "connect/setup_script.h"

#include <optional>
#include <vector>

#include "connect/dns_route.h"
#include "connect/system_trust.h"
#include "state/text.h"

Result<std::string> setup_script(ToolRunner& runner, OsKind os, const std::filesystem::path& certificate,
                                 std::string_view address, bool in_login_keychain, std::ostream& out) {
  std::optional<std::string> trust = system_trust_command(os, certificate);
  PELK_TRY_ASSIGN(std::optional<std::string> dns, dns_route_command(os, address, runner, out));
  std::optional<std::string> packages = linux_packages_command(runner, os);
  if (in_login_keychain) trust.reset();

  std::vector<std::string> pieces;
  for (auto* piece : {&packages, &trust, &dns}) {
    if (*piece) pieces.push_back(**piece);
  }
  // In sh a failing piece stops the ones after it and fails the script;
  // PowerShell stops on its own error preference.
  return join(pieces, os == OsKind::Windows ? "\n" : " && ");
}

std::optional<std::string> linux_packages_command(ToolRunner& runner, OsKind os) {
  if (os != OsKind::Linux) return std::nullopt;
  bool all_present = true;
  for (const char* tool : {"wl-paste", "wl-copy", "xclip", "certutil"}) {
    if (!has_command(runner, tool)) {
      all_present = false;
      break;
    }
  }
  if (all_present) return std::nullopt;
  // The whole group is installed whatever is missing, and a failure here
  // (no package manager, offline mirror) must not fail the rest of the script.
  return "(if command -v apt-get >/dev/null; then apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install "
         "-y -qq wl-clipboard xclip libnss3-tools; elif command -v dnf >/dev/null; then dnf install -y -q wl-clipboard "
         "xclip nss-tools; elif command -v zypper >/dev/null; then zypper --non-interactive install wl-clipboard xclip "
         "mozilla-nss-tools; elif command -v pacman >/dev/null; then pacman -S --needed --noconfirm wl-clipboard xclip "
         "nss; fi) || true";
}
