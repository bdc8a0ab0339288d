#include "cli/elevation_choice.h"

ElevationMethod choose_elevation_method(OsKind os, ToolRunner& runner) {
  switch (os) {
    case OsKind::MacOs:
      return ElevationMethod::Osascript;
    case OsKind::Windows:
      return ElevationMethod::PowerShellRunAs;
    case OsKind::Linux:
      break;
  }
  if (has_command(runner, "sudo")) return ElevationMethod::Sudo;
  if (has_command(runner, "pkexec")) return ElevationMethod::Pkexec;
  return ElevationMethod::Sudo;
}
