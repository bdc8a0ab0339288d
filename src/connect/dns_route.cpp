#include "connect/dns_route.h"

#include <filesystem>
#include <system_error>

#include "connect/resolved_routes.h"
#include "connect/sites_zone.h"
#include "connect/systemd_resolved.h"
#include "state/text.h"
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

// A drop-in of an earlier connect would keep making the server a global DNS
// server, so it goes when the zone is routed on a link.
std::string linux_drop_in_removal() {
  const std::string drop_in(kLinuxResolvedDropIn);
  return "if [ -f " + drop_in + " ]; then rm -f " + drop_in + " && (systemctl restart systemd-resolved || true); fi";
}

std::string windows_route(std::string_view address) {
  return std::string(kRemoveNrptRules) + "\nAdd-DnsClientNrptRule -Namespace '." + zone() + "' -NameServers '" +
         std::string(address) + "' -Comment 'pelk'\nClear-DnsClientCache";
}

bool resolved_is_running(ToolRunner& runner) {
  std::error_code ec;
  return std::filesystem::is_directory(runner.system_path("/run/systemd/resolve"), ec);
}

[[nodiscard]] Result<std::optional<std::string>> linux_route_with_checks(std::string_view address, ToolRunner& runner,
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
  // A link that routes the zone (the tailnet's split DNS on tailscale0)
  // already sends it to the server and nothing else; a drop-in would add the
  // server as a global DNS server, which systemd-resolved asks for every name.
  LinkRoutes links = ask_link_routes(runner, kSitesZone);
  if (!links.zone_links.empty()) {
    PELK_TRY(print(out, "  Your tailnet already sends *." + zone() + " to your server (split DNS on " +
                            join(links.zone_links, ", ") + "), so pelk adds no DNS setting of its own.\n"));
    return linux_drop_in_removal();
  }
  // A link with the routing domain "~." takes every name that no other
  // domain claims ahead of the global servers, so then the laptop's other
  // lookups never reach the server.
  if (links.catch_all_links.empty()) {
    PELK_TRY(print(out, "  WARNING: systemd-resolved takes your server (" + addr +
                            ") as a DNS server for every name, so while connected it also sends this laptop's other "
                            "lookups there, and they slow down whenever the server is out of reach.\n"
                            "  To keep them off it, add a split DNS nameserver for " + zone() + " at " + addr +
                            " in your tailnet's DNS settings, then run pelk laptop connect again.\n"));
  }
  auto global_dns = files_setting_global_dns(runner);
  if (!global_dns.empty()) {
    PELK_TRY(print(out, "  WARNING: " + join(global_dns, " and ") +
                            " also gives systemd-resolved DNS= servers for every name, so *." + zone() +
                            " may go to them instead of your server; pelk laptop status will show it.\n"));
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
