// Making sure a working `mutagen` exists: any Mutagen that runs is kept;
// otherwise the pinned release is downloaded, checked and unpacked into the
// tools folder. Nothing is installed system-wide.
#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

#include "state/command_error.h"
#include "tools/tool_runner.h"

// The downloaded archive's name in the tools folder while it is checked.
inline constexpr std::string_view kMutagenArchivePart = "mutagen.tar.gz.part";

[[nodiscard]] Result<void> install_mutagen(ToolRunner& runner, const std::filesystem::path& home, std::ostream& out);

// install_mutagen for a given platform name; install_mutagen passes
// mutagen_platform().
[[nodiscard]] Result<void> install_mutagen_for(std::string_view platform, ToolRunner& runner, const std::filesystem::path& home,
                                 std::ostream& out);
