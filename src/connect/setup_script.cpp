#include "connect/setup_script.h"

#include <optional>
#include <vector>

#include "connect/dns_route.h"
#include "connect/linux_packages.h"
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
