#include "maintenance/status.h"

#include <iomanip>
#include <sstream>

#include "connect/systemd_resolved.h"
#include "connect/sites_zone.h"
#include "filesync/mutagen_sessions.h"
#include "share/share_flags.h"
#include "state/laptop_config.h"
#include "state/text.h"
#include "tailnet/server_lookup.h"
#include "state/server_alias.h"

namespace {

// The name inside the sites zone that status resolves to see where the zone goes.
std::string dns_check_name() { return "pelk-check." + std::string(kSitesZone); }

std::string labelled(std::string_view label, std::string_view value) {
  std::string line(label);
  line.resize(12, ' ');
  return line + std::string(value) + "\n";
}

std::string dns_value(ToolRunner& runner, OsKind os, const std::optional<std::string>& server_address) {
  std::string zone = "*." + std::string(kSitesZone);
  auto addresses = runner.lookup_host(dns_check_name());
  if (server_address) {
    for (const auto& address : addresses) {
      if (address == *server_address) return "ok";
    }
  }
  if (!addresses.empty()) return zone + " resolves to " + join(addresses, ", ") + ", not the server";
  if (os == OsKind::Linux && !uses_systemd_resolved(runner)) {
    return zone + " does not resolve: " + std::string(kResolvConfHint);
  }
  return zone + " does not resolve; run pelk laptop connect";
}

std::string code_sync_value(ToolRunner& runner) {
  auto listing = runner.run_capture("mutagen", {"sync", "list", std::string(kCodeSession)}, std::nullopt);
  if (!listing) return "Mutagen is not installed";
  if (!listing->success) return "no session; run pelk laptop connect";
  for (std::string_view line : split_lines(listing->std_out)) {
    line = trim(line);
    if (line.starts_with("Status:")) return std::string(trim(line.substr(7)));
  }
  return "running";
}

std::string sharing_value(ToolRunner& runner, const std::filesystem::path& home) {
  if (!sharing_enabled(home)) return "off";
  auto listed = session_exists(runner, kShareSession);
  return listed && *listed ? "ok" : "no session; run pelk laptop sync";
}

}  // namespace

Result<std::string> laptop_status(const LaptopContext& context) {
  ToolRunner& runner = context.runner;
  const std::filesystem::path& home = context.home;
  OsKind os = context.os;
  PELK_TRY_ASSIGN(LaptopConfig config, load_config(home));

  auto address = find_server_address(runner, config.server, os);
  std::string server_value = address ? *address + ", online" : address.error().display();
  std::string report = labelled("Server:", config.server + " (" + server_value + ")");

  PELK_TRY_ASSIGN(ToolOutput login,
                  runner.run_capture("ssh", {"-o", "BatchMode=yes", "-o", "ConnectTimeout=10", std::string(kServerAlias), "true"},
                                     std::nullopt));
  report += labelled("SSH:", login.success ? "ok" : "cannot log in");

  std::optional<std::string> server_address;
  if (address) server_address = *address;
  report += labelled("DNS:", dns_value(runner, os, server_address));
  report += labelled("File sync:", code_sync_value(runner));
  report += labelled("Sharing:", sharing_value(runner, home));
  return report;
}
