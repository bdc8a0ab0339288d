// Guarding the code folder before connect: a folder that another Mutagen
// session of the user already syncs would be copied between both machines.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "tools/tool_runner.h"

// The refusal text when a session other than pelk's own has a laptop
// endpoint inside the code folder or around it; none otherwise. Never fails.
std::optional<std::string> other_sync_session_message(ToolRunner& runner, const std::filesystem::path& code_folder);
