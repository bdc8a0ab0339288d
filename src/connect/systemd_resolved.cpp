#include "connect/systemd_resolved.h"

#include <vector>

#include "state/file_io.h"
#include "state/text.h"

bool resolv_conf_points_at_stub(std::string_view resolv_conf) {
  for (std::string_view line : split_lines(resolv_conf)) {
    auto parts = split_words(line);
    if (parts.size() >= 2 && parts[0] == "nameserver" && parts[1] == "127.0.0.53") return true;
  }
  return false;
}

bool nsswitch_hosts_use_resolve(std::string_view nsswitch_conf) {
  constexpr std::string_view kHosts = "hosts:";
  for (std::string_view line : split_lines(nsswitch_conf)) {
    // Only a line that starts in the first column is the hosts line.
    if (!line.starts_with(kHosts)) continue;
    for (std::string_view word : split_words(line.substr(kHosts.size()))) {
      if (word == "resolve") return true;
    }
  }
  return false;
}

bool uses_systemd_resolved(ToolRunner& runner) {
  auto resolv_conf = read_file(runner.system_path("/etc/resolv.conf"));
  if (!resolv_conf) return true;
  bool stub = resolv_conf_points_at_stub(*resolv_conf);
  auto nsswitch = read_file(runner.system_path("/etc/nsswitch.conf"));
  if (!nsswitch) return stub;
  return stub || nsswitch_hosts_use_resolve(*nsswitch);
}
