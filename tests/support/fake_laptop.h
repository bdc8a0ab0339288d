// The laptop every command test runs on: a home, a system root of its own (for
// /etc and /run), the scripted runner rooted there, the fake server with its
// Mutagen, and the stream the command prints to.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/fake_runner.h"
#include "support/fake_server.h"
#include "support/temp_folder.h"
#include "tools/laptop_context.h"

struct FakeLaptop {
  TempFolder root;
  TempFolder home_folder;
  FakeRunner runner{root.path()};
  FakeServer server;
  std::ostringstream out;
  // The scripts run with administrator rights, in order, and whether the
  // prompt is accepted.
  std::vector<std::string> elevated_scripts;
  bool elevation_ok = true;

  std::filesystem::path home() const { return home_folder.path(); }
  std::string printed() const { return out.str(); }

  // What a command is handed on this laptop.
  LaptopContext context(OsKind os = OsKind::Linux, ElevationMethod elevation = ElevationMethod::Sudo);
  // The same, with programs run by another runner (one scripted otherwise).
  LaptopContext context(ToolRunner& other, OsKind os = OsKind::Linux,
                        ElevationMethod elevation = ElevationMethod::Sudo);

  // sudo and pkexec on the console, osascript and PowerShell: each records
  // the script it was given and answers as `elevation_ok` says.
  void script_elevation();
};
