// The one script connect runs with administrator rights, so the user is asked
// once: Linux packages, system trust of the certificate, the DNS route.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "state/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

// `in_login_keychain`: the certificate was trusted in the login keychain
// already, so the script leaves the system trust out. On Linux the DNS checks
// may print warnings; one that cannot be written is the error.
[[nodiscard]] Result<std::string> setup_script(ToolRunner& runner, OsKind os, const std::filesystem::path& certificate,
                                 std::string_view address, bool in_login_keychain, std::ostream& out);

// The Linux packages the script installs: the clipboard tools for sending
// screenshots and the NSS tools for browser trust. None off Linux, and none
// when wl-paste, wl-copy, xclip and certutil all exist.
std::optional<std::string> linux_packages_command(ToolRunner& runner, OsKind os);
