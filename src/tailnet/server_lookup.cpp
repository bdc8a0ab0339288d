#include "tailnet/server_lookup.h"

#include <algorithm>
#include <vector>

#include "state/text.h"

namespace {

std::string_view first_label(std::string_view dns_name) { return dns_name.substr(0, dns_name.find('.')); }

bool matches(const Peer& peer, std::string_view server) {
  if (equals_ignoring_ascii_case(first_label(peer.dns_name), server)) return true;
  if (equals_ignoring_ascii_case(peer.host_name, server)) return true;
  return std::ranges::find(peer.tailscale_ips, server) != peer.tailscale_ips.end();
}

std::string found_names(const Status& status) {
  if (status.peers.empty()) return "none";
  std::vector<std::string> names;
  for (const auto& [key, peer] : status.peers) names.emplace_back(first_label(peer.dns_name));
  std::ranges::sort(names);
  return join(names, ", ");
}

// The address goes unquoted into the SSH config and into shell and PowerShell
// scripts, so nothing but digits and dots may pass.
bool is_digits_and_dots(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

}  // namespace

Result<std::string> server_address_in(const Status& status, const std::string& server) {
  if (status.backend_state != "Running") {
    return fail_message("Tailscale is " + status.backend_state + "; open it and log in with the account your server uses");
  }
  const Peer* found = nullptr;
  for (const auto& [key, peer] : status.peers) {
    if (matches(peer, server)) {
      found = &peer;
      break;
    }
  }
  if (found == nullptr) {
    return fail_message("no machine called '" + server + "' on your tailnet (found: " + found_names(status) +
                        "); pass --server <name>");
  }
  if (!found->online) {
    return fail_message(server + " is offline on your tailnet; check the server with 'sudo pelk host status'");
  }
  auto ipv4 = std::ranges::find_if(found->tailscale_ips,
                                   [](const std::string& ip) { return ip.find('.') != std::string::npos; });
  if (ipv4 == found->tailscale_ips.end()) return fail_message(server + " has no IPv4 tailnet address");
  if (!is_digits_and_dots(*ipv4)) return fail_message("unexpected tailnet address '" + *ipv4 + "'");
  return *ipv4;
}

Result<std::string> find_server_address(ToolRunner& runner, const std::string& server, OsKind os) {
  TailscaleReport report = tailscale_status(runner, os);
  if (std::holds_alternative<TailscaleNotInstalled>(report)) return fail_message(tailscale_not_installed_message());
  if (auto* unreadable = std::get_if<TailscaleUnreadable>(&report)) return fail_message(unreadable->message);
  return server_address_in(std::get<Status>(report), server);
}
