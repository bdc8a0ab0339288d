// The per-platform programs that read and write the clipboard. Pure texts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/os_kind.h"

struct ProgramCall {
  std::string program;
  std::vector<std::string> args;

  bool operator==(const ProgramCall&) const = default;
};

// Prints the paths of the files on the clipboard, one per line (on Linux as
// a text/uri-list).
ProgramCall clipboard_file_lister(OsKind os);

// Saves the clipboard's image as a PNG file at `target` (the path's display
// text); fails when the clipboard holds no image.
ProgramCall clipboard_image_saver(OsKind os, std::string_view target);

// Puts its standard input on the clipboard.
ProgramCall clipboard_writer(OsKind os);

// The JavaScript for Automation script that lists the pasteboard's file URLs.
extern const std::string_view kMacFileListScript;

