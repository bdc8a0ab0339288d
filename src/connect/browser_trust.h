// Trust of the environment's certificate in the NSS databases that Chrome,
// Chromium and Firefox read on Linux; they ignore the system bundle.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "state/command_error.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

inline constexpr const char* kNssNickname = "pelk environment CA";

// ~/.pki/nssdb when it is a folder, then every Firefox profile holding a
// cert9.db under the usual, snap and flatpak profile roots, each root's
// profiles sorted.
std::vector<std::filesystem::path> find_nss_databases(const std::filesystem::path& home);

// Linux only. A missing or failing certutil never fails: it leads to a note.
// Only a note that cannot be written is an error.
[[nodiscard]] Result<void> trust_in_browser_stores(ToolRunner& runner, OsKind os, const std::filesystem::path& home,
                                     const std::filesystem::path& certificate, std::ostream& out);

// Linux only; outcomes are ignored.
void nss_trust_removal(ToolRunner& runner, const std::filesystem::path& home);
