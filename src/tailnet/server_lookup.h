// Finding the user's server among the tailnet's peers.
#pragma once

#include <string>
#include <string_view>

#include "state/command_error.h"
#include "tailnet/tailscale_status.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// The server's IPv4 tailnet address (digits and dots only), or a message that
// tells the user what to do. `server` is a peer's first DNS label or host name
// (ASCII letter case ignored) or one of its tailnet addresses.
[[nodiscard]] Result<std::string> find_server_address(ToolRunner& runner, const std::string& server, OsKind os);

// The same decision over a report already read.
[[nodiscard]] Result<std::string> server_address_in(const Status& status, const std::string& server);
