#include "share/clipboard_paths.h"

#include <gtest/gtest.h>

#include "share/clipboard_programs.h"
#include "tools/script_quote.h"

namespace fs = std::filesystem;

TEST(Clipboard, LinesToPaths) {
  struct Case {
    std::string line;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"file:///home/a%20b.png", "/home/a b.png"},
      {"file://laptop/tmp/x", "/tmp/x"},
      {"file://laptop", std::nullopt},
      {"file://", std::nullopt},
      {"file:///a%2fb%2Fc", "/a/b/c"},
      {"file:///100%", "/100%"},
      {"file:///50%zz%4", "/50%zz%4"},
      {"file:///caf%C3%A9", "/caf\xc3\xa9"},
      {"file:///bad%FF", "/bad\xef\xbf\xbd"},
      {"FILE:///x", std::nullopt},
      {"https://example.com/a.png", std::nullopt},
      {"smb://server/share", std::nullopt},
      {"/Users/me/a.png", "/Users/me/a.png"},
      {"C:\\Users\\me\\a b.png", "C:\\Users\\me\\a b.png"},
      {"relative/%20name", "relative/%20name"},
  };
  for (const auto& c : cases) {
    auto path = clipboard_line_to_path(c.line);
    ASSERT_EQ(path.has_value(), c.path.has_value()) << c.line;
    if (path) {
      EXPECT_EQ(*path, fs::path(std::u8string(c.path->begin(), c.path->end()))) << c.line;
    }
  }
}

TEST(Clipboard, ListingSkipsBlanksAndComments) {
  auto paths = clipboard_paths("# copied by the file manager\r\nfile:///home/a%20b.png\r\n\r\n  \nhttp://x/y\n"
                               "file://host/tmp/x\n/plain/path\n");
  EXPECT_EQ(paths, (std::vector<fs::path>{"/home/a b.png", "/tmp/x", "/plain/path"}));
  EXPECT_TRUE(clipboard_paths("").empty());
}

TEST(Clipboard, ProgramsForEachPlatform) {
  const std::vector<std::string> ps = {"-NoProfile", "-NonInteractive", "-STA", "-Command"};
  auto with = [](std::vector<std::string> args, std::string last) {
    args.push_back(std::move(last));
    return args;
  };

  EXPECT_EQ(clipboard_file_lister(OsKind::MacOs),
            (ProgramCall{"osascript",
                         {"-l", "JavaScript", "-e",
                          "ObjC.import('AppKit'); var u = $.NSPasteboard.generalPasteboard."
                          "readObjectsForClassesOptions($([$.NSURL]), $({NSPasteboardURLReadingFileURLsOnlyKey: true}));"
                          " var o = []; if (u) { for (var i = 0; i < u.count; i++) o.push(u.objectAtIndex(i).path.js); }"
                          " o.join('\\n')"}}));
  EXPECT_TRUE(clipboard_file_lister(OsKind::MacOs).args[3].ends_with("o.join('\x5c" "n')"));
  EXPECT_EQ(clipboard_file_lister(OsKind::Linux),
            (ProgramCall{"sh",
                         {"-c", "wl-paste --no-newline --type text/uri-list 2>/dev/null || xclip -selection clipboard "
                                "-t text/uri-list -o 2>/dev/null"}}));
  EXPECT_EQ(clipboard_file_lister(OsKind::Windows),
            (ProgramCall{"powershell", with(ps, "Get-Clipboard -Format FileDropList | ForEach-Object { $_.FullName }")}));

  EXPECT_EQ(clipboard_image_saver(OsKind::MacOs, "/Users/a\"b\\c/shot-1.png"),
            (ProgramCall{"osascript",
                         {"-e", "set f to open for access POSIX file \"/Users/a\\\"b\\\\c/shot-1.png\" with write permission",
                          "-e", "write (the clipboard as \xc2\xab" "class PNGf\xc2\xbb) to f", "-e", "close access f"}}));
  EXPECT_EQ(clipboard_image_saver(OsKind::Linux, "/home/o'neil/pelk-share/shot-1.png"),
            (ProgramCall{"sh",
                         {"-c", "wl-paste --no-newline --type image/png > '/home/o'\\''neil/pelk-share/shot-1.png' "
                                "2>/dev/null || xclip -selection clipboard -t image/png -o > "
                                "'/home/o'\\''neil/pelk-share/shot-1.png'"}}));
  EXPECT_EQ(clipboard_image_saver(OsKind::Windows, "C:\\Users\\o'neil\\pelk-share\\shot-1.png"),
            (ProgramCall{"powershell",
                         with(ps, "Add-Type -AssemblyName System.Windows.Forms, System.Drawing; $i = "
                                  "[System.Windows.Forms.Clipboard]::GetImage(); if (-not $i) { exit 1 }; "
                                  "$i.Save('C:\\Users\\o''neil\\pelk-share\\shot-1.png', "
                                  "[System.Drawing.Imaging.ImageFormat]::Png)")}));

  EXPECT_EQ(clipboard_writer(OsKind::MacOs), (ProgramCall{"pbcopy", {}}));
  EXPECT_EQ(clipboard_writer(OsKind::Linux),
            (ProgramCall{"sh", {"-c", "wl-copy 2>/dev/null || xclip -selection clipboard"}}));
  EXPECT_EQ(clipboard_writer(OsKind::Windows), (ProgramCall{"clip", {}}));
}

TEST(Clipboard, PowerShellQuotingCoversTypographicQuotes) {
  // PowerShell closes a single-quoted string at U+2019 as well; doubling it keeps it literal.
  EXPECT_EQ(powershell_quote("C:\\Users\\O\xe2\x80\x99" "Brien'x"), "'C:\\Users\\O\xe2\x80\x99\xe2\x80\x99" "Brien''x'");
  EXPECT_EQ(shell_quote("a'b"), "'a'\\''b'");
  EXPECT_EQ(applescript_string_body("a\\\"b"), "a\\\\\\\"b");
}
