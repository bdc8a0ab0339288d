// What systemd-resolved already does with names before connect adds its route:
// which network links route the sites zone (a tailnet's split DNS does that on
// its own link), and which configuration files give it DNS servers for every
// name. The route connect writes joins those global servers, so both matter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/tool_runner.h"

// What `resolvectl domain` says of the network links (by interface name).
// The global scope is not a link and never counts.
struct LinkRoutes {
  // Links that route the zone, as a routing domain ("~zone") or a search
  // domain ("zone").
  std::vector<std::string> zone_links;
  // Links with the routing domain "~.": systemd-resolved sends every name no
  // other domain claims to them alone, and not to its global servers.
  std::vector<std::string> catch_all_links;
};
LinkRoutes link_routes(std::string_view resolvectl_domain, std::string_view zone);

// The same, asked of the running systemd-resolved through the runner. When
// resolvectl fails or is missing, no link routes anything.
LinkRoutes ask_link_routes(ToolRunner& runner, std::string_view zone);

// Files (as absolute paths) whose global DNS= servers are still in force once
// resolved.conf and its drop-ins are read in systemd's order; connect's own
// drop-in is left out. Read through the runner's system_path; files that
// cannot be read are skipped.
std::vector<std::string> files_setting_global_dns(ToolRunner& runner);
