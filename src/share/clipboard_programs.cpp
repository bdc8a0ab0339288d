#include "share/clipboard_programs.h"

namespace {

const std::vector<std::string> kPowerShellOptions = {"-NoProfile", "-NonInteractive", "-STA", "-Command"};

ProgramCall powershell(std::string command) {
  ProgramCall call{"powershell", kPowerShellOptions};
  call.args.push_back(std::move(command));
  return call;
}

std::string replaced(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  for (size_t at = 0;;) {
    size_t found = text.find(from, at);
    out.append(text.substr(at, found - at));
    if (found == std::string_view::npos) return out;
    out.append(to);
    at = found + from.size();
  }
}

}  // namespace

const std::string_view kMacFileListScript =
    "ObjC.import('AppKit'); var u = $.NSPasteboard.generalPasteboard.readObjectsForClassesOptions($([$.NSURL]), "
    "$({NSPasteboardURLReadingFileURLsOnlyKey: true})); var o = []; if (u) { for (var i = 0; i < u.count; i++) "
    "o.push(u.objectAtIndex(i).path.js); } o.join('\\n')";

std::string shell_single_quoted(std::string_view text) { return "'" + replaced(text, "'", "'\\''") + "'"; }

std::string powershell_single_quoted(std::string_view text) {
  // PowerShell ends a single-quoted string at the typographic single quotes
  // too (U+2018 to U+201B), so each of them is doubled like the plain one.
  std::string quoted = replaced(text, "'", "''");
  for (std::string_view mark : {"\u2018", "\u2019", "\u201A", "\u201B"}) {
    quoted = replaced(quoted, mark, std::string(mark) + std::string(mark));
  }
  return "'" + quoted + "'";
}

std::string applescript_string_body(std::string_view text) {
  return replaced(replaced(text, "\\", "\\\\"), "\"", "\\\"");
}

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
      std::string q = shell_single_quoted(target);
      return {"sh",
              {"-c", "wl-paste --no-newline --type image/png > " + q +
                         " 2>/dev/null || xclip -selection clipboard -t image/png -o > " + q}};
    }
    case OsKind::Windows:
      return powershell(
          "Add-Type -AssemblyName System.Windows.Forms, System.Drawing; $i = "
          "[System.Windows.Forms.Clipboard]::GetImage(); if (-not $i) { exit 1 }; $i.Save(" +
          powershell_single_quoted(target) + ", [System.Drawing.Imaging.ImageFormat]::Png)");
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
