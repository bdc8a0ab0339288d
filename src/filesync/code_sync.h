// Keeping the code folder in two-way sync with ~/Code on the server, under
// the rules the server publishes.
#pragma once

#include <filesystem>

#include "state/command_error.h"
#include "tools/laptop_context.h"

// The rules last used are kept in the home's pelk state folder.
[[nodiscard]] Result<void> sync_code(const LaptopContext& context, const std::filesystem::path& code_folder);
