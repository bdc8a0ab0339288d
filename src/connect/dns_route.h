// Sending every name under the sites zone to the server's resolver, on each
// platform with its own mechanism, and taking that route away again. The
// texts are scripts for the elevated runner: POSIX shell on macOS and Linux,
// PowerShell on Windows. The address (digits and dots) goes in unquoted.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "state/command_error.h"
#include "connect/systemd_resolved.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// The command that sets up the route. On Linux it first prints a warning when
// the route cannot work, and gives none at all when systemd-resolved is not
// running. When a network link already routes the zone (a tailnet's split
// DNS), it says so and the command only removes an earlier drop-in; otherwise
// it warns that the drop-in makes the server a DNS server for every name. A
// warning that cannot be written is the error.
[[nodiscard]] Result<std::optional<std::string>> dns_route_command(OsKind os, std::string_view address, ToolRunner& runner,
                                                     std::ostream& out);

// The command that takes the route away (on macOS it brings back a resolver
// file of the user's that the route replaced).
std::string dns_removal_command(OsKind os);

// The resolver paths the route uses.
std::string macos_resolver_file();
std::string macos_resolver_backup();
inline constexpr std::string_view kLinuxResolvedDropIn = "/etc/systemd/resolved.conf.d/pelk.conf";
