#include "cli/process_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include "state/wide_text_windows.h"

// argv is in the ANSI code page, which cannot hold every name: the wide
// command line is read instead.
std::vector<std::string> process_arguments(int argc, char** argv) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) {
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
  }
  for (int i = 1; i < count; ++i) args.push_back(narrow(wide[i]));
  ::LocalFree(wide);
  return args;
}

std::filesystem::path argument_path(const std::string& argument) { return std::filesystem::path(widen(argument)); }
