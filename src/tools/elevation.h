// Administrator rights: how this laptop gets them, and running one script
// with them, so each command asks once.
#pragma once

#include <string>
#include <string_view>

#include "state/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

enum class ElevationMethod { Sudo = 0, Osascript = 1, Pkexec = 2, PowerShellRunAs = 3 };

// macOS: osascript. Windows: PowerShell RunAs. Linux: sudo, or pkexec when
// there is no sudo and pkexec exists.
ElevationMethod choose_elevation_method(OsKind os, ToolRunner& runner);

// True when the script ended with status 0; false when it failed or the user
// refused the prompt; an I/O error when the method's program cannot start.
// The script is a POSIX shell script, or PowerShell for PowerShellRunAs.
[[nodiscard]] Result<bool> run_elevated(ElevationMethod method, ToolRunner& runner, const std::string& script);

// The texts run_elevated hands to osascript and PowerShell.
std::string osascript_statement(std::string_view script);
extern const std::string_view kPowerShellPrologue;
extern const std::string_view kPowerShellEpilogue;
extern const std::string_view kPowerShellLauncher;
std::string powershell_elevated_input(std::string_view script);
