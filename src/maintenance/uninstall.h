// `pelk laptop uninstall`: removes pelk from the laptop; the user's files stay.
#pragma once

#include <filesystem>
#include <string>

#include "state/command_error.h"
#include "tools/laptop_context.h"
#include "tools/os_kind.h"

// The one elevated script: the DNS route, the system trust and the command file.
std::string uninstall_script(OsKind os, const std::filesystem::path& certificate);

[[nodiscard]] Result<void> uninstall_laptop(const LaptopContext& context);
