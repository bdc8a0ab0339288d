// The share folder and its two sessions, brought into the state the flags ask for.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>

#include "state/command_error.h"
#include "tools/tool_runner.h"

Result<void> setup_share(ToolRunner& runner, const std::filesystem::path& home, std::ostream& out);
// `pelk laptop share on` (on = true) and `pelk laptop share off`.
Result<void> set_sharing(ToolRunner& runner, const std::filesystem::path& home, bool on, std::ostream& out);
// `pelk laptop share keep DAYS`.
Result<void> set_keep_days(ToolRunner& runner, const std::filesystem::path& home, std::uint32_t days,
                           std::ostream& out);
