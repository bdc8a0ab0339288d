#include "share/clipboard_programs.h"

#include "tools/script_quote.h"

namespace {

const std::vector<std::string> kPowerShellOptions = {"-NoProfile", "-NonInteractive", "-STA", "-Command"};

ProgramCall powershell(std::string command) {
  ProgramCall call{"powershell", kPowerShellOptions};
  call.args.push_back(std::move(command));
  return call;
}

}  // namespace

const std::string_view kMacFileListScript =
    "ObjC.import('AppKit'); var u = $.NSPasteboard.generalPasteboard.readObjectsForClassesOptions($([$.NSURL]), "
    "$({NSPasteboardURLReadingFileURLsOnlyKey: true})); var o = []; if (u) { for (var i = 0; i < u.count; i++) "
    "o.push(u.objectAtIndex(i).path.js); } o.join('\\n')";

ProgramCall clipboard_file_lister(OsKind os) {
  switch (os) {
    case OsKind::MacOs:
      return {"osascript", {"-l", "JavaScript", "-e", std::string(kMacFileListScript)}};
    case OsKind::Linux:
      return {"sh",
              {"-c",
               "wl-paste --no-newline --type text/uri-list 2>/dev/null || xclip -selection clipboard -t text/uri-list "
               "-o 2>/dev/null"}};
    case OsKind::Windows:
      return powershell("Get-Clipboard -Format FileDropList | ForEach-Object { $_.FullName }");
  }
  return {};
}

ProgramCall clipboard_image_saver(OsKind os, std::string_view target) {
  switch (os) {
    case OsKind::MacOs:
      return {"osascript",
              {"-e", "set f to open for access POSIX file \"" + applescript_string_body(target) + "\" with write permission",
               "-e", "write (the clipboard as \u00ABclass PNGf\u00BB) to f", "-e", "close access f"}};
    case OsKind::Linux: {
      std::string q = shell_quote(target);
      return {"sh",
              {"-c", "wl-paste --no-newline --type image/png > " + q +
                         " 2>/dev/null || xclip -selection clipboard -t image/png -o > " + q}};
    }
    case OsKind::Windows:
      return powershell(
          "Add-Type -AssemblyName System.Windows.Forms, System.Drawing; $i = "
          "[System.Windows.Forms.Clipboard]::GetImage(); if (-not $i) { exit 1 }; $i.Save(" +
          powershell_quote(target) + ", [System.Drawing.Imaging.ImageFormat]::Png)");
  }
  return {};
}

ProgramCall clipboard_writer(OsKind os) {
  switch (os) {
    case OsKind::MacOs:
      return {"pbcopy", {}};
    case OsKind::Linux:
      return {"sh", {"-c", "wl-copy 2>/dev/null || xclip -selection clipboard"}};
    case OsKind::Windows:
      return {"clip", {}};
  }
  return {};
}
