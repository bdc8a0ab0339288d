#include "cli/process_arguments.h"

std::vector<std::string> process_arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

// Bytes stay bytes: a file name need not be valid UTF-8 here.
std::filesystem::path argument_path(const std::string& argument) { return std::filesystem::path(argument); }
