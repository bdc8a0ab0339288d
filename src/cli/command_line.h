// The command tree of pelk and the parse of the process arguments against it.
// The parse prints nothing: it gives the command, or the texts to print and the
// status to end with (help, parse errors, a laptop group without a subcommand).
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/cli_command.h"

// PELK_VERSION is the project version that CMake sets.
inline constexpr std::string_view kVersionText = "pelk " PELK_VERSION " (laptop)";

struct ParseExit {
  int status = 0;
  std::string std_out;
  std::string std_err;
  bool operator==(const ParseExit&) const = default;
};

using ParseOutcome = std::variant<Cli, ParseExit>;

// `args` are the process arguments after the program name. Usage lines always
// name the program "pelk", whatever the executable is called.
ParseOutcome parse_command_line(const std::vector<std::string>& args);
