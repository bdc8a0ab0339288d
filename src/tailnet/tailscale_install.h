// Installing Tailscale on Linux when connect finds no `tailscale` command.
#pragma once

#include <ostream>

#include "cli/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// Linux only (elsewhere the user installs the app by hand): runs Tailscale's
// install script under sudo, then `sudo tailscale up` for the sign-in. Both
// run on the user's console so sudo and the sign-in can talk to the user.
Result<void> install_tailscale(ToolRunner& runner, OsKind os, std::ostream& out);
