// A code sync session carries the state it last synced with one server. When
// connect finds another server behind the alias, that history belongs to the
// old machine.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "state/command_error.h"
#include "tools/tool_runner.h"

// Terminates the code session, so that the code sync creates it afresh, when
// the server name or address differs from the ones laptop.json holds (or the
// file cannot be read), and says so. Nothing happens without a laptop.json or
// without a code session.
[[nodiscard]] Result<void> forget_code_sync_of_other_server(ToolRunner& runner, const std::filesystem::path& home,
                                              const std::string& server, const std::string& address,
                                              std::ostream& out);
