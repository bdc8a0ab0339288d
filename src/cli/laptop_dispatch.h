// Runs one laptop command through its entry and turns the outcome into the
// lines the dispatcher owns and an exit status.
#pragma once

#include <filesystem>
#include <ostream>

#include "cli/cli_command.h"
#include "cli/home_owner.h"
#include "cli/laptop_entries.h"
#include "connect/connect_laptop.h"
#include "tools/laptop_context.h"

// What the commands are handed, and what only the dispatcher uses.
struct DispatchContext : LaptopContext {
  std::filesystem::path working_folder;  // where relative paths on the command line start; empty if unknown
  std::ostream& err;                     // the failure line
  HomeOwnership ownership = {};          // a root run for another user's home is refused
};

// The request for connect; a relative --code-dir is made absolute against the
// working folder here, so the folder stored and synced is the one meant now.
[[nodiscard]] Result<ConnectRequest> connect_request(const cli::Connect& command, const DispatchContext& context);

// 0 on success; on failure "pelk: " and the error's text on `err`, and 1.
// A root run for another user's home stops before the command starts.
int dispatch_laptop(const LaptopCommand& command, const LaptopEntries& entries, const DispatchContext& context);
