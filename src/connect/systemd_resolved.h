// Whether the laptop's name lookups go through systemd-resolved, judged from
// /etc/resolv.conf and /etc/nsswitch.conf (read through the runner's
// system_path). Never fails: an unreadable resolv.conf counts as yes.
#pragma once

#include <string_view>

#include "tools/tool_runner.h"

bool uses_systemd_resolved(ToolRunner& runner);

// What to do when /etc/resolv.conf bypasses systemd-resolved; connect warns
// with it and status shows it.
inline constexpr std::string_view kResolvConfHint =
    "point it at systemd-resolved with `sudo ln -sf /run/systemd/resolve/stub-resolv.conf /etc/resolv.conf` "
    "(NetworkManager follows), then run pelk laptop connect again";

// The file-content checks behind it.
bool resolv_conf_points_at_stub(std::string_view resolv_conf);
bool nsswitch_hosts_use_resolve(std::string_view nsswitch_conf);
