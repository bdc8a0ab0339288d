#include "support/fake_laptop.h"

LaptopContext FakeLaptop::context(OsKind os, ElevationMethod elevation) { return context(runner, os, elevation); }

LaptopContext FakeLaptop::context(ToolRunner& other, OsKind os, ElevationMethod elevation) {
  return LaptopContext{other, home(), os, elevation, out};
}

void FakeLaptop::script_elevation() {
  auto on_console = [this](const FakeCall& call) -> Result<bool> {
    elevated_scripts.push_back(call.args.back());
    return elevation_ok;
  };
  runner.on_interactive_any("sudo", on_console);
  runner.on_interactive_any("pkexec", on_console);
  runner.on_any("osascript", [this](const FakeCall& call) -> Result<ToolOutput> {
    elevated_scripts.push_back(call.args.back());
    return elevation_ok ? ok_output() : failed_output("execution error: User canceled. (-128)");
  });
  runner.on_any("powershell", [this](const FakeCall& call) -> Result<ToolOutput> {
    elevated_scripts.push_back(call.input.value_or(""));
    return elevation_ok ? ok_output() : failed_output();
  });
}
