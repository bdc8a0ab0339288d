#include "cli/entry.h"

#include <iostream>

#include "cli/command_line.h"
#include "cli/laptop_main.h"
#include "cli/open_project.h"
#include "cli/process_arguments.h"
#include "tools/real_runner.h"

int pelk_main(int argc, char** argv) {
  ParseOutcome outcome = parse_command_line(process_arguments(argc, argv));
  if (auto* exit = std::get_if<ParseExit>(&outcome)) {
    std::cout << exit->std_out << std::flush;
    std::cerr << exit->std_err << std::flush;
    return exit->status;
  }
  const Cli& cli = std::get<Cli>(outcome);
  if (cli.command) {
    if (auto* open = std::get_if<cli::Open>(&*cli.command)) {
      RealRunner runner;
      return open_project(open->name, runner, std::cerr);
    }
    if (auto* laptop = std::get_if<cli::Laptop>(&*cli.command)) return laptop_main(laptop->command);
  }
  // No command word, or `version`; -V alone lands here too.
  std::cout << kVersionText << '\n' << std::flush;
  return std::cout ? 0 : 1;
}
