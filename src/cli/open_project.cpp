#include "cli/open_project.h"

#include "cli/interactive_ssh.h"
#include "cli/project_name.h"
#include "state/server_alias.h"

std::optional<std::vector<std::string>> open_ssh_arguments(const std::optional<std::string>& name) {
  if (!name) return std::vector<std::string>{std::string(kServerAlias), "ls -1 ~/Code"};
  auto command = open_command(*name);
  if (!command) return std::nullopt;
  // -t: a terminal on the server even though a command is given.
  return std::vector<std::string>{"-t", std::string(kServerAlias), *command};
}

int open_project(const std::optional<std::string>& name, std::ostream& err) {
  auto args = open_ssh_arguments(name);
  if (!args) {
    err << "pelk: " << *name << " is not a project name\n" << std::flush;
    return 2;
  }
  auto succeeded = run_ssh_on_console(*args);
  if (!succeeded) {
    err << "pelk: cannot run ssh: " << succeeded.error().message()
        << "; connect this laptop first with pelk laptop connect\n"
        << std::flush;
    return 1;
  }
  return *succeeded ? 0 : 1;
}
