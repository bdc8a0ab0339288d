// Running the built pelk binary as a user would, with a chosen environment,
// and collecting its exit status and both outputs.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct ProgramRun {
  int status = -1;  // the exit status; -1 when it ended by a signal
  std::string out;
  std::string err;
};

// Environment changes: a value sets the variable, nullopt removes it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       const EnvironmentChanges& changes = {});

// The pelk binary under test (PELK_BINARY, set by CTest).
std::string pelk_binary();
