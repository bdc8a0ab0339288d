// The laptop copies of projects that come back into the sync, and of
// projects that went server only. The system never deletes either: old
// copies are moved aside into a dated folder beside the code folder, and
// server-only copies are only named.
#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "state/command_error.h"
#include "filesync/sync_spec.h"

// The projects of the server's rules that this laptop did not sync under its
// last rules (server only then, or all sync off), that sync now, and of which
// the laptop holds a copy: their copies are older than the server's.
std::vector<std::string> resynced_projects(const SyncSpec& server, const SyncSpec& laptop,
                                           const std::filesystem::path& code_folder);

// The folder a move made now puts the copies in: <code folder>-pelk-old/<seconds>
// (a later move in the same second adds "-2", "-3"...).
std::filesystem::path old_copies_folder(const std::filesystem::path& code_folder, std::uint64_t seconds);

// Moves each named project out of the code folder into a new dated folder
// and says so; nothing happens for an empty list. Names that are not valid
// project names are never moved.
[[nodiscard]] Result<void> move_aside_old_copies(const std::filesystem::path& code_folder, const std::vector<std::string>& names,
                                   std::ostream& out);

// The server-only names that still have a folder in the code folder; only
// plain project names count, so the list never points outside it.
std::vector<std::string> server_only_copies(const SyncSpec& server, const std::filesystem::path& code_folder);
