// Where the sync rules come from: the server's rules file, and the copy of
// the rules last applied on this laptop.
#pragma once

#include <filesystem>
#include <optional>

#include "state/command_error.h"
#include "filesync/sync_spec.h"
#include "tools/tool_runner.h"

// The code folder in the server login's home folder.
inline constexpr std::string_view kServerCodeFolder = "Code";

// The rules file in the server login's home folder, as the ssh command reads it.
inline constexpr std::string_view kServerRulesFile = ".config/pelk/sync.json";
// The applied rules in the laptop's state folder.
inline constexpr std::string_view kLaptopRulesFile = "sync.json";

// The server's rules, or the default rules when the server cannot be
// reached, has no rules file or holds an invalid one. Never fails.
SyncSpec fetch_server_rules(ToolRunner& runner);

// The rules last applied on this laptop; none when the file is missing,
// unreadable or invalid.
std::optional<SyncSpec> load_laptop_rules(const std::filesystem::path& state_folder);

[[nodiscard]] Result<void> save_laptop_rules(const std::filesystem::path& state_folder, const SyncSpec& spec);
