#include "connect/dns_route.h"

#include <filesystem>
#include <system_error>

#include "connect/sites_zone.h"
#include "connect/systemd_resolved.h"
#include "tools/console.h"

namespace {

constexpr std::string_view kResolverMark = "# pelk";
// The comment is the only handle by which the rule is found again.
constexpr std::string_view kRemoveNrptRules =
    "Get-DnsClientNrptRule | Where-Object Comment -eq 'pelk' | Remove-DnsClientNrptRule -Force";

std::string zone() { return std::string(kSitesZone); }

std::string macos_route(std::string_view address) {
  const std::string file = macos_resolver_file();
  const std::string mark(kResolverMark);
  // A file without the mark is the user's own: it is kept aside once, so a
  // reconnect never overwrites that copy with ours.
  return "mkdir -p /etc/resolver && { [ ! -f " + file + " ] || grep -q '^" + mark + "' " + file + " || cp " + file +
         " " + macos_resolver_backup() + "; } && printf '" + mark + "\\nnameserver " + std::string(address) + "\\n' > " +
         file;
}

std::string linux_route(std::string_view address) {
  return "mkdir -p /etc/systemd/resolved.conf.d && printf '[Resolve]\\nDNS=" + std::string(address) + "\\nDomains=~" +
         zone() + "\\n' > " + std::string(kLinuxResolvedDropIn) + " && systemctl restart systemd-resolved";
}

std::string windows_route(std::string_view address) {
  return std::string(kRemoveNrptRules) + "\nAdd-DnsClientNrptRule -Namespace '." + zone() + "' -NameServers '" +
         std::string(address) + "' -Comment 'pelk'\nClear-DnsClientCache";
}

bool resolved_is_running(ToolRunner& runner) {
  std::error_code ec;
  return std::filesystem::is_directory(runner.system_path("/run/systemd/resolve"), ec);
}

Result<std::optional<std::string>> linux_route_with_checks(std::string_view address, ToolRunner& runner,
                                                           std::ostream& out) {
  const std::string addr(address);
  if (!resolved_is_running(runner)) {
    PELK_TRY(print(out, "  WARNING: systemd-resolved is not running, so *." + zone() + " is not sent to your server (" +
                            addr + ") and sites will not open.\n"
                            "  Turn it on and connect again (it may be masked, as on some VM images):\n"
                            "    sudo systemctl unmask systemd-resolved && sudo systemctl enable --now systemd-resolved\n"
                            "    sudo ln -sf /run/systemd/resolve/stub-resolv.conf /etc/resolv.conf\n"
                            "  Or send *." + zone() + " to " + addr + " in the resolver you use.\n"));
    return std::nullopt;
  }
  if (!uses_systemd_resolved(runner)) {
    PELK_TRY(print(out, "  WARNING: *." + zone() +
                            " is sent to your server through systemd-resolved, but this computer's /etc/resolv.conf "
                            "does not use it, so sites will not open.\n"
                            "  " + std::string(kResolvConfHint) + "\n"));
  }
  return linux_route(address);
}

}  // namespace

std::string macos_resolver_file() { return "/etc/resolver/" + zone(); }
std::string macos_resolver_backup() { return macos_resolver_file() + ".pelk-backup"; }

Result<std::optional<std::string>> dns_route_command(OsKind os, std::string_view address, ToolRunner& runner,
                                                     std::ostream& out) {
  switch (os) {
    case OsKind::MacOs: return macos_route(address);
    case OsKind::Windows: return windows_route(address);
    case OsKind::Linux: break;
  }
  return linux_route_with_checks(address, runner, out);
}

std::string dns_removal_command(OsKind os) {
  switch (os) {
    case OsKind::MacOs:
      return "if [ -f " + macos_resolver_backup() + " ]; then mv " + macos_resolver_backup() + " " +
             macos_resolver_file() + "; else rm -f " + macos_resolver_file() + "; fi";
    case OsKind::Windows: return std::string(kRemoveNrptRules) + "\nClear-DnsClientCache";
    case OsKind::Linux: break;
  }
  return "rm -f " + std::string(kLinuxResolvedDropIn) + " && (systemctl restart systemd-resolved || true)";
}
