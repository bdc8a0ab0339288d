#include "tailnet/tailscale_status.h"

#include <optional>

#include "state/command_error.h"
#include "tailnet/tailscale_links.h"

namespace {

[[nodiscard]] JsonResult<Peer> read_peer(const JsonValue& value) {
  PELK_TRY_ASSIGN(JsonFields fields,
                  JsonFields::read(value, {"HostName", "DNSName", "TailscaleIPs", "Online"}, "struct Peer"));
  Peer peer;
  if (const JsonValue* host = fields.find("HostName")) {
    PELK_TRY_ASSIGN(peer.host_name, json_as_string(*host));
  }
  if (const JsonValue* dns = fields.find("DNSName")) {
    PELK_TRY_ASSIGN(peer.dns_name, json_as_string(*dns));
  }
  if (const JsonValue* ips = fields.find("TailscaleIPs")) {
    PELK_TRY_ASSIGN(peer.tailscale_ips, json_as_string_list(*ips));
  }
  if (const JsonValue* online = fields.find("Online")) {
    PELK_TRY_ASSIGN(peer.online, json_as_bool(*online));
  }
  return peer;
}

[[nodiscard]] JsonResult<std::map<std::string, Peer>> read_peers(const JsonValue* value) {
  std::map<std::string, Peer> peers;
  if (value == nullptr || value->type == JsonValue::Type::Null) return peers;
  if (value->type != JsonValue::Type::Object) return std::unexpected(json_invalid_type(*value, "a map"));
  for (const auto& [key, member] : value->members) {
    PELK_TRY_ASSIGN(Peer peer, read_peer(member));
    peers.insert_or_assign(key, std::move(peer));
  }
  return peers;
}

std::optional<std::string> fixed_tool_path(OsKind os) {
  switch (os) {
    case OsKind::MacOs: return "/Applications/Tailscale.app/Contents/MacOS/Tailscale";
    case OsKind::Windows: return "C:\\Program Files\\Tailscale\\tailscale.exe";
    case OsKind::Linux: break;
  }
  return std::nullopt;
}

}  // namespace

JsonResult<Status> parse_tailscale_status(std::string_view text) {
  PELK_TRY_ASSIGN(JsonValue document, parse_json(text));
  PELK_TRY_ASSIGN(JsonFields fields, JsonFields::read(document, {"BackendState", "Peer"}, "struct Status"));
  PELK_TRY_ASSIGN(std::string state, fields.string("BackendState"));
  PELK_TRY_ASSIGN(auto peers, read_peers(fields.find("Peer")));
  return Status{std::move(state), std::move(peers)};
}

TailscaleReport tailscale_status(ToolRunner& runner, OsKind os) {
  const std::vector<std::string> args = {"status", "--json"};
  Result<ToolOutput> run = runner.run_capture("tailscale", args, std::nullopt);
  if (auto fixed = fixed_tool_path(os); fixed && (!run || !run->success)) {
    run = runner.run_capture(*fixed, args, std::nullopt);
  }
  if (!run) return TailscaleNotInstalled{};
  if (!run->success && run->std_out.empty()) return TailscaleNotInstalled{};
  // A failing client that still printed a report is read all the same: it
  // tells the user more (for example that it is logged out) than "failed".
  auto status = parse_tailscale_status(run->std_out);
  if (!status) return TailscaleUnreadable{"cannot read 'tailscale status': " + status.error()};
  return std::move(*status);
}

std::string tailscale_not_installed_message() {
  return "Tailscale is not installed; install it from " + std::string(kTailscaleDownloadPage) +
         " and log in with the account your server uses";
}
