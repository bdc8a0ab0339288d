#include "cli/project_name.h"

#include <algorithm>

#include "state/text.h"

bool is_project_name(std::string_view name) {
  if (name.empty() || !is_ascii_alnum(static_cast<unsigned char>(name.front()))) return false;
  return std::ranges::all_of(name, is_plain_name_character);
}

std::optional<std::string> project_path(std::string_view name) {
  if (!is_project_name(name)) return std::nullopt;
  return "~/Code/" + std::string(name);
}

std::optional<std::string> open_command(std::string_view name) {
  auto path = project_path(name);
  if (!path) return std::nullopt;
  std::string session(name);
  for (char& c : session) {
    if (c == '.') c = '_';  // tmux reads a dot in a session name as a window separator
  }
  // The tilde stays unquoted so the server's shell expands it.
  return "cd " + *path +
         " || exit 1; if test -e ~/.config/pelk/no-persistent-session -o -e ~/.config/pelk/no-tmux; then exec $SHELL "
         "-l; fi; exec tmux new-session -A -s " +
         session + " -c " + *path;
}
