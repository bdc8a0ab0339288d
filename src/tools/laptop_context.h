// What every laptop command works with, handed to each as one value: the
// runner through which it reaches programs and system files, the user's home,
// the platform, how it gets administrator rights, and where its progress goes.
#pragma once

#include <filesystem>
#include <ostream>

#include "tools/elevation.h"
#include "tools/os_kind.h"
#include "tools/tool_runner.h"

struct LaptopContext {
  ToolRunner& runner;
  std::filesystem::path home;
  OsKind os;
  ElevationMethod elevation;
  std::ostream& out;  // progress and results
};
