#include "tools/elevation.h"

#include "tools/script_quote.h"

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

const std::string_view kPowerShellPrologue =
    "$ErrorActionPreference = 'Stop'\n"
    "trap { Write-Host \"pelk: $_\" -ForegroundColor Red; Read-Host 'Press Enter to close'; exit 1 }\n";

const std::string_view kPowerShellEpilogue = "\nexit 0\n";

// Reads the script from standard input and starts it in an elevated window
// (the consent prompt), passing it as an encoded command so no quoting applies.
const std::string_view kPowerShellLauncher =
    "try { $s = (New-Object IO.StreamReader([Console]::OpenStandardInput(), [Text.Encoding]::UTF8)).ReadToEnd(); "
    "$e = [Convert]::ToBase64String([Text.Encoding]::Unicode.GetBytes($s)); "
    "$p = Start-Process powershell.exe -Verb RunAs -Wait -PassThru -ArgumentList "
    "'-NoProfile','-ExecutionPolicy','Bypass','-EncodedCommand',$e; exit $p.ExitCode } "
    "catch { Write-Error $_; exit 1 }";

std::string osascript_statement(std::string_view script) {
  std::string command = "sh -c " + shell_quote(script);
  return "do shell script \"" + applescript_string_body(command) + "\" with administrator privileges";
}

std::string powershell_elevated_input(std::string_view script) {
  return std::string(kPowerShellPrologue) + std::string(script) + std::string(kPowerShellEpilogue);
}

Result<bool> run_elevated(ElevationMethod method, ToolRunner& runner, const std::string& script) {
  switch (method) {
    case ElevationMethod::Sudo:
      return runner.run_interactive("sudo", {"sh", "-c", script});
    case ElevationMethod::Pkexec:
      return runner.run_interactive("pkexec", {"sh", "-c", script});
    case ElevationMethod::Osascript: {
      PELK_TRY_ASSIGN(ToolOutput output, runner.run_capture("osascript", {"-e", osascript_statement(script)}, std::nullopt));
      return output.success;
    }
    case ElevationMethod::PowerShellRunAs: {
      PELK_TRY_ASSIGN(ToolOutput output,
                      runner.run_capture("powershell",
                                         {"-NoProfile", "-NonInteractive", "-Command", std::string(kPowerShellLauncher)},
                                         powershell_elevated_input(script)));
      return output.success;
    }
  }
  return false;
}
