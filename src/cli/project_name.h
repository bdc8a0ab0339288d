// `pelk open NAME`: the project's folder and the remote command that opens a
// terminal there inside a persistent tmux session.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// A name the server's shell takes literally: ASCII letters, digits, ".", "-"
// and "_", starting with a letter or digit. The remote command holds it
// unquoted, so nothing else may pass. Its start is stricter than that of the
// sync rules' project names and of the laptop folder name, since here the
// name stands alone as an argument of cd and tmux, where a leading "-" reads
// as an option.
bool is_project_name(std::string_view name);

// "~/Code/NAME", or nothing for a name that is not a project name.
std::optional<std::string> project_path(std::string_view name);

// The remote command for ssh, or nothing for a name that is not a project name.
std::optional<std::string> open_command(std::string_view name);
