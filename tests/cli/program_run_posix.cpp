#include "program_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/temp_folder.h"

extern char** environ;

namespace {

std::vector<std::string> environment_with(const EnvironmentChanges& changes) {
  std::vector<std::string> entries;
  for (char** at = environ; *at != nullptr; ++at) {
    std::string entry = *at;
    std::string name = entry.substr(0, entry.find('='));
    if (!changes.contains(name)) entries.push_back(entry);
  }
  for (const auto& [name, value] : changes) {
    if (value) entries.push_back(name + "=" + *value);
  }
  return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> list;
  for (auto& text : texts) list.push_back(text.data());
  list.push_back(nullptr);
  return list;
}

}  // namespace

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const EnvironmentChanges& changes) {
  TempFolder outputs;
  std::string out_file = (outputs / "out").string();
  std::string err_file = (outputs / "err").string();

  std::vector<std::string> argv_texts{program};
  argv_texts.insert(argv_texts.end(), args.begin(), args.end());
  std::vector<std::string> env_texts = environment_with(changes);
  auto argv = pointers(argv_texts);
  auto envp = pointers(env_texts);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = -1;
  int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  ProgramRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = read_text(out_file);
  run.err = read_text(err_file);
  return run;
}

std::string pelk_binary() {
  const char* path = std::getenv("PELK_BINARY");
  if (path == nullptr) throw std::runtime_error("PELK_BINARY is not set; run the tests through ctest");
  return path;
}
