#include "cli/open_project.h"

#include "cli/project_name.h"
#include "state/server_alias.h"

std::optional<std::vector<std::string>> open_ssh_arguments(const std::optional<std::string>& name) {
  if (!name) return std::vector<std::string>{std::string(kServerAlias), "ls -1 ~/Code"};
  auto command = open_command(*name);
  if (!command) return std::nullopt;
  // -t: a terminal on the server even though a command is given.
  return std::vector<std::string>{"-t", std::string(kServerAlias), *command};
}

int open_project(const std::optional<std::string>& name, ToolRunner& runner, std::ostream& err) {
  auto args = open_ssh_arguments(name);
  if (!args) {
    err << "pelk: " << *name << " is not a project name\n" << std::flush;
    return 2;
  }
  auto succeeded = runner.run_interactive("ssh", *args);
  if (!succeeded) {
    // The system's own words ("No such file or directory"), without the
    // error number that other commands' failures show.
    auto code = succeeded.error().code();
    err << "pelk: cannot run ssh: " << (code ? code->message() : succeeded.error().display())
        << "; connect this laptop first with pelk laptop connect\n"
        << std::flush;
    return 1;
  }
  return *succeeded ? 0 : 1;
}
