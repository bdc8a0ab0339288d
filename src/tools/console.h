// Printing to the output stream. A line that cannot be written ends the
// command with an I/O error. Each write is flushed, so pelk's lines and the
// output of the programs it runs on the console appear in their real order.
#pragma once

#include <ostream>
#include <string_view>

#include "state/command_error.h"

[[nodiscard]] Result<void> print(std::ostream& out, std::string_view text);
