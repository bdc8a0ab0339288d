// What systemd-resolved already does with names before connect adds its route:
// which network links route the sites zone (a tailnet's split DNS does that on
// its own link), and which configuration files give it DNS servers for every
// name. The route connect writes joins those global servers, so both matter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/tool_runner.h"

// The links (by interface name) whose domains in `resolvectl domain` output
// include `zone` as a routing domain ("~zone") or a search domain ("zone").
// The global scope is not a link and never counts.
std::vector<std::string> links_routing_domain(std::string_view resolvectl_domain, std::string_view zone);

// The same, asked of the running systemd-resolved through the runner. When
// resolvectl fails or is missing, no link counts as routing the zone.
std::vector<std::string> links_routing_zone(ToolRunner& runner, std::string_view zone);

// Files (as absolute paths) whose global DNS= servers are still in force once
// resolved.conf and its drop-ins are read in systemd's order; connect's own
// drop-in is left out. Read through the runner's system_path; files that
// cannot be read are skipped.
std::vector<std::string> files_setting_global_dns(ToolRunner& runner);
