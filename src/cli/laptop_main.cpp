#include "cli/laptop_main.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/laptop_dispatch.h"
#include "state/paths.h"
#include "tools/elevation.h"
#include "tools/real_runner.h"
#include "tools/search_path.h"

int laptop_main(const LaptopCommand& command) {
  auto home = read_home_folder();
  if (!home) {
    std::cerr << "pelk: the home directory is not set (HOME, or USERPROFILE on Windows)\n" << std::flush;
    return 2;
  }
  // Before any program runs, so Mutagen installed by pelk is found by name.
  ensure_tools_on_path(*home);
  RealRunner runner;
  OsKind os = build_os_kind();
  std::error_code no_working_folder;
  std::filesystem::path working_folder = std::filesystem::current_path(no_working_folder);
  DispatchContext context{{runner, *home, os, choose_elevation_method(os, runner), std::cout},
                          working_folder,
                          std::cerr,
                          home_ownership(*home)};
  return dispatch_laptop(command, LaptopEntries{}, context);
}
