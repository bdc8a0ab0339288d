// The one program pelk starts outside the tool runner: the ssh of `pelk open`,
// which shares pelk's console so the user works in the remote terminal.
#pragma once

#include <expected>
#include <string>
#include <system_error>
#include <vector>

// True when ssh exited with status 0; the error when it could not be started.
std::expected<bool, std::error_code> run_ssh_on_console(const std::vector<std::string>& args);
