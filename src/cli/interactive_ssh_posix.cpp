#include "cli/interactive_ssh.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

std::expected<bool, std::error_code> run_ssh_on_console(const std::vector<std::string>& args) {
  std::string program = "ssh";
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  int spawn_error = ::posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (spawn_error != 0) return std::unexpected(std::error_code(spawn_error, std::system_category()));

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::unexpected(std::error_code(errno, std::system_category()));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
