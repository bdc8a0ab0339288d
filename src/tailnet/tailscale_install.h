// Installing Tailscale on Linux when connect finds no `tailscale` command.
#pragma once

#include <ostream>

#include "state/command_error.h"
#include "tools/elevation.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// Linux only (elsewhere the user installs the app by hand): runs Tailscale's
// install script with the elevation method's program (sudo or pkexec), then
// `tailscale up` the same way for the sign-in. Both run on the user's console
// so the password prompt and the sign-in can talk to the user. Without a
// program to elevate with, it says that Tailscale must be installed by hand.
[[nodiscard]] Result<void> install_tailscale(ToolRunner& runner, OsKind os, ElevationMethod elevation, std::ostream& out);
