// Reading the local Tailscale client's view of the tailnet ("tailscale status
// --json"). Only the members below are read; the rest of the report is skipped.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "state/json_reader.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

struct Peer {
  std::string host_name;                  // HostName
  std::string dns_name;                   // DNSName, e.g. "devbox.tail1234.ts.net."
  std::vector<std::string> tailscale_ips; // TailscaleIPs, IPv4 and IPv6 as text
  bool online = false;                    // Online
};

struct Status {
  std::string backend_state;          // BackendState, e.g. "Running"
  std::map<std::string, Peer> peers;  // Peer, ordered by key byte for byte
};

struct TailscaleNotInstalled {};
struct TailscaleUnreadable {
  std::string message;
};

using TailscaleReport = std::variant<Status, TailscaleNotInstalled, TailscaleUnreadable>;

// The report's text read into a Status. Duplicate known members, values of the
// wrong type and anything but white space after the document are faults; of
// two peers with the same key the later one is kept.
[[nodiscard]] JsonResult<Status> parse_tailscale_status(std::string_view text);

// Runs "tailscale status --json"; on macOS and Windows a failed run is retried
// with the app's fixed install path, where the tool is often not on PATH.
TailscaleReport tailscale_status(ToolRunner& runner, OsKind os);

// "Tailscale is not installed; install it from ... and log in ...".
std::string tailscale_not_installed_message();
