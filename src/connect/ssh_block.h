// The host entry for the server alias `pelk` in ~/.ssh/config, kept between
// two marker lines so it can be replaced and removed without touching the
// user's own entries. The file is handled as bytes: whatever encoding the
// user's lines are in, every byte of them survives.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "state/command_error.h"

inline constexpr std::string_view kSshBlockBegin = "# >>> pelk >>>";
inline constexpr std::string_view kSshBlockEnd = "# <<< pelk <<<";

// The text without any marked block, with line feeds as line endings and no
// line feeds at its start. A begin marker that no end marker follows goes
// alone: the lines after it are the user's. A lone end marker goes too.
std::string strip_marked_block(std::string_view text);

// The marked block that maps `pelk` to the address, as written.
std::string ssh_block_text(std::string_view address);

// Puts the block at the top of ~/.ssh/config, replacing any earlier one. A
// config that exists but cannot be read stops with that error; nothing is
// written then.
[[nodiscard]] Result<void> write_ssh_block(const std::filesystem::path& home, std::string_view address);

// Takes the block out of ~/.ssh/config. A config that cannot be read is left
// alone and counts as success.
[[nodiscard]] Result<void> remove_ssh_block(const std::filesystem::path& home);
