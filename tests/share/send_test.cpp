#include "share/send.h"

#include <gtest/gtest.h>

#include <regex>

#include "share/clipboard_programs.h"
#include "share/share_folder.h"
#include "state/clock.h"
#include "state/paths.h"
#include "state/text.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

struct Send : ::testing::Test, FakeLaptop {
  TempFolder elsewhere;

  void SetUp() override {
    server.sessions = {{"pelk-share", {}}, {"pelk-share-out", {}}};
    server.install(runner);
    write_text(state_dir(home()) / "shots-folder", "my-laptop");
  }

  fs::path share() const { return home() / "pelk-share"; }
  fs::path sized(const std::string& name, std::uintmax_t size) const {
    fs::path file = elsewhere / name;
    write_text(file, "");
    fs::resize_file(file, size);
    return file;
  }
  std::vector<std::string> share_listing() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(share(), ec)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  const FakeCall& last_call() const { return runner.calls().back(); }
};

// A stored name "<millis>-<name>" (or "<millis>-<n>-<name>" for a further
// clash) whose time stamp lies between two clock readings.
void expect_stamped(const std::string& stored, const std::string& name, std::uint64_t before, std::uint64_t after) {
  std::smatch match;
  ASSERT_TRUE(std::regex_match(stored, match, std::regex("([0-9]+)-(?:[0-9]+-)?(.*)"))) << stored;
  EXPECT_EQ(match[2].str(), name);
  std::uint64_t stamp = std::stoull(match[1].str());
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after);
}

// The target path that the image saver of each platform was given.
// The file an image saver's arguments name; empty for any other call of the
// same program (on Linux the clipboard writer is an "sh" run too).
fs::path saver_target(OsKind os, const std::vector<std::string>& args) {
  auto between = [](const std::string& text, const std::string& open, char close) {
    size_t found = text.find(open);
    if (found == std::string::npos) return std::string();
    size_t start = found + open.size();
    return text.substr(start, text.find(close, start) - start);
  };
  switch (os) {
    case OsKind::MacOs:
      return path_from_utf8(between(args[1], "POSIX file \"", '"'));
    case OsKind::Linux:
      return path_from_utf8(between(args[1], "> '", '\''));
    case OsKind::Windows:
      return path_from_utf8(between(args.back(), "Save('", '\''));
  }
  return {};
}

// The platform's own text for a file that does not exist, with its code.
std::string missing_file_error() {
  std::error_code ec;
  (void)fs::status("/no/such/pelk/file", ec);
  return CommandError::io(ec).display();
}

}  // namespace

TEST_F(Send, SharingOffStopsBeforeAnythingIsLookedAt) {
  write_text(state_dir(home()) / "shots-off", "");
  auto files = send_files(context(OsKind::Linux), {elsewhere / "missing"});
  auto clip = send_clipboard(context(OsKind::Linux));
  for (const auto* result : {&files, &clip}) {
    ASSERT_FALSE(*result);
    EXPECT_EQ(result->error().display(), "file sharing is off; turn it on with pelk laptop share on");
  }
  EXPECT_TRUE(runner.calls().empty());
}

TEST_F(Send, SameNamesGetTheTimeStampedName) {
  write_text(share() / "notes.txt", "sent earlier");
  write_text(elsewhere / "a" / "notes.txt", "first");
  write_text(elsewhere / "b" / "notes.txt", "second");
  write_text(elsewhere / "c" / "log.txt", "log");
  std::uint64_t before = unix_millis_now();
  auto result = send_files(context(OsKind::Linux),
                           {elsewhere / "c" / "log.txt", elsewhere / "a" / "notes.txt", elsewhere / "b" / "notes.txt"});
  std::uint64_t after = unix_millis_now();
  ASSERT_TRUE(result) << result.error().display();

  auto lines = split_lines(*result);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "/home/dev/Share/my-laptop/log.txt");
  const std::string prefix = "/home/dev/Share/my-laptop/";
  ASSERT_TRUE(lines[1].starts_with(prefix));
  ASSERT_TRUE(lines[2].starts_with(prefix));
  std::string first(lines[1].substr(prefix.size())), second(lines[2].substr(prefix.size()));
  expect_stamped(first, "notes.txt", before, after);
  expect_stamped(second, "notes.txt", before, after);

  EXPECT_EQ(read_text(share() / "notes.txt"), "sent earlier");
  EXPECT_EQ(read_text(share() / "log.txt"), "log");
  // Even within one millisecond each file gets a name of its own.
  EXPECT_NE(first, second);
  EXPECT_EQ(read_text(share() / first), "first");
  EXPECT_EQ(read_text(share() / second), "second");
  EXPECT_EQ(runner.call_lines(), (std::vector<std::string>{"mutagen sync flush pelk-share",
                                                           "sh -c wl-copy 2>/dev/null || xclip -selection clipboard"}));
  EXPECT_EQ(last_call().input, *result);
}

TEST_F(Send, EveryPathIsCheckedBeforeAnythingIsCopied) {
  write_text(elsewhere / "one.txt", "1");
  write_text(elsewhere / "two.txt", "2");
  fs::create_directories(elsewhere / "folder");
  fs::path exact = sized("exact.bin", 524288000);
  fs::path over = sized("over.bin", 524288001);
  struct Case {
    std::vector<fs::path> files;
    std::string message;
  };
  const Case cases[] = {
      {{elsewhere / "one.txt", elsewhere / "two.txt", elsewhere / "folder"},
       display_path(elsewhere / "folder") + " is a folder; send its files, or a zip of it"},
      // The exact size passes its check; the next file is the one refused.
      {{exact, over}, display_path(over) + " is over 500 MB; move it another way (scp, rsync)"},
      {{elsewhere / "one.txt", elsewhere / "gone.txt", elsewhere / "folder"},
       "cannot read " + display_path(elsewhere / "gone.txt") + ": " + missing_file_error()},
  };
  for (const auto& c : cases) {
    auto result = send_files(context(OsKind::MacOs), c.files);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), c.message);
  }
  EXPECT_FALSE(fs::exists(share()));
  EXPECT_TRUE(runner.calls().empty());
}

TEST_F(Send, FlushFailureKeepsTheFiles) {
  write_text(elsewhere / "a.txt", "a");
  server.sessions.clear();
  auto result = send_files(context(OsKind::MacOs), {elsewhere / "a.txt"});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "saved in " + display_path(share()) +
                                          ", but it did not reach the server: Error: unable to locate requested sessions");
  EXPECT_EQ(read_text(share() / "a.txt"), "a");

  FakeRunner no_mutagen;
  result = send_files(context(no_mutagen, OsKind::MacOs), {elsewhere / "a.txt"});
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(), "saved in " + display_path(share()) + ", but it did not reach the server: mutagen: not found");
}

TEST_F(Send, ClipboardWriterFailureIsIgnored) {
  write_text(elsewhere / "a.txt", "a");
  runner.fail_start("pbcopy", EACCES);
  auto result = send_files(context(OsKind::MacOs), {elsewhere / "a.txt"});
  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(*result, "/home/dev/Share/my-laptop/a.txt");
  EXPECT_EQ(last_call().program, "pbcopy");
}

TEST_F(Send, ClipboardFilesThatExistAreSent) {
  write_text(elsewhere / "a b.png", "png");
  std::string listing = "# list\r\nfile://" + display_path(elsewhere / "a%20b.png") + "\r\nfile://" +
                        display_path(elsewhere / "gone.png") + "\r\n";
  runner.on("sh", clipboard_file_lister(OsKind::Linux).args, ok_output(listing));
  auto result = send_clipboard(context(OsKind::Linux));
  ASSERT_TRUE(result) << result.error().display();
  EXPECT_EQ(*result, "/home/dev/Share/my-laptop/a b.png");
  EXPECT_EQ(read_text(share() / "a b.png"), "png");
}

TEST_F(Send, ClipboardImageOnEveryPlatform) {
  for (OsKind os : {OsKind::MacOs, OsKind::Linux, OsKind::Windows}) {
    SCOPED_TRACE(static_cast<int>(os));
    FakeRunner clip;
    server.install(clip);
    ProgramCall lister = clipboard_file_lister(os);
    clip.on(lister.program, lister.args, ok_output(display_path(elsewhere / "no-longer-there.png") + "\n"));
    clip.on_any(clipboard_image_saver(os, "").program, [&](const FakeCall& call) -> Result<ToolOutput> {
      fs::path target = saver_target(os, call.args);
      if (!target.empty()) write_text(target, "\x89PNG");
      return ok_output();
    });
    std::uint64_t before = unix_millis_now();
    auto result = send_clipboard(context(clip, os));
    std::uint64_t after = unix_millis_now();
    ASSERT_TRUE(result) << result.error().display();
    std::smatch match;
    ASSERT_TRUE(std::regex_match(*result, match, std::regex("/home/dev/Share/my-laptop/(shot-([0-9]+)\\.png)")));
    EXPECT_GE(std::stoull(match[2].str()), before);
    EXPECT_LE(std::stoull(match[2].str()), after);
    ProgramCall expected = clipboard_image_saver(os, display_path(share() / match[1].str()));
    ASSERT_EQ(clip.calls().size(), 4u);  // lister, saver, flush, writer
    EXPECT_EQ(clip.calls()[1].program, expected.program);
    EXPECT_EQ(clip.calls()[1].args, expected.args);
    EXPECT_EQ(read_text(share() / match[1].str()), "\x89PNG");
    EXPECT_EQ(clip.calls().back().program, clipboard_writer(os).program);
    EXPECT_EQ(clip.calls().back().input, *result);
    EXPECT_TRUE(clip.calls().back().discarded);  // its outputs are never waited for
    fs::remove(share() / match[1].str());
  }
}

TEST_F(Send, NoImageLeavesNoFileBehind) {
  struct Case {
    OsKind os;
    bool create_empty_file;
    bool succeed;
  };
  // The shell's redirection creates the file before the clipboard tools fail;
  // a saver may also succeed and leave an empty file.
  const Case cases[] = {{OsKind::Linux, true, false}, {OsKind::Linux, true, true}, {OsKind::Windows, false, false}};
  for (const auto& c : cases) {
    FakeRunner clip;
    clip.on_any(clipboard_image_saver(c.os, "").program, [&](const FakeCall& call) -> Result<ToolOutput> {
      if (call.args.size() == 2 && call.args[1].starts_with("wl-paste --no-newline --type text/uri-list")) {
        return failed_output();
      }
      if (c.create_empty_file) write_text(saver_target(c.os, call.args), "");
      return c.succeed ? ok_output() : failed_output("no image");
    });
    auto result = send_clipboard(context(clip, c.os));
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(), "the clipboard holds no image");
    EXPECT_TRUE(share_listing().empty());
  }

  // Without osascript at all the image cannot be saved either.
  FakeRunner bare;
  EXPECT_EQ(send_clipboard(context(bare, OsKind::MacOs)).error().display(), "the clipboard holds no image");

  FakeRunner broken;
  broken.fail_start("powershell", EACCES);
  auto result = send_clipboard(context(broken, OsKind::Windows));
  ASSERT_FALSE(result);
  EXPECT_TRUE(result.error().is_io());
}

// Whatever the names, each sent file is stored under a name of its own that
// fits the folder, nothing in the share folder is replaced, and each printed
// (and copied) path is one line naming exactly the stored file.
TEST_F(Send, EachFileIsStoredUnderANameOfItsOwnOnOneLine) {
  const std::string long_name = std::string(251, 'n') + ".txt";  // 255 bytes, the most a name can have
  const std::string stamp = "[0-9]+-(?:[0-9]+-)?";
  struct Case {
    std::string what;
    std::vector<std::pair<std::string, std::string>> sources;  // under `elsewhere`: name, content
    std::string listing;            // the clipboard's file list ("{dir}" is `elsewhere`); empty: send the sources
    std::vector<std::string> names;  // patterns of the stored names, in order
    std::vector<std::string> contents;
  };
  const Case cases[] = {
      {"three files of one name, and one in the share folder already",
       {{"a/c.txt", "1"}, {"b/c.txt", "2"}, {"c/c.txt", "3"}}, "",
       {stamp + "c\\.txt", stamp + "c\\.txt", stamp + "c\\.txt"}, {"1", "2", "3"}},
      {"the same clipboard file three times", {{"shot.png", "png"}},
       "file://{dir}/shot.png\nfile://{dir}/shot.png\n{dir}/shot.png\n",
       {"shot\\.png", stamp + "shot\\.png", stamp + "shot\\.png"}, {"png", "png", "png"}},
      {"a line feed in a named file", {{"a\nrm -rf ~", "x"}}, "", {"a_rm -rf ~"}, {"x"}},
      {"%0A and %09 in a clipboard address", {{"x\ny\tz", "x"}}, "file://{dir}/x%0Ay%09z\n", {"x_y_z"}, {"x"}},
      {"%00 in a clipboard address names no file", {{"a.txt", "a"}, {"b.txt", "b"}},
       "file://{dir}/a.txt%00.png\nfile://{dir}/b.txt\n", {"b\\.txt"}, {"b"}},
      {"a name of 255 bytes", {{long_name, "long"}}, "", {long_name}, {"long"}},
      {"a name of 255 bytes sent twice", {{"a/" + long_name, "1"}, {"b/" + long_name, "2"}}, "",
       {long_name, stamp + "n+\\.txt"}, {"1", "2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(share());
    write_text(share() / "c.txt", "sent earlier");
    TempFolder dir;
    std::vector<fs::path> files;
    for (const auto& [name, content] : c.sources) {
      write_text(dir / name, content);
      files.push_back(dir / name);
    }
    runner = FakeRunner(root.path());
    server.install(runner);
    Result<std::string> result;
    if (c.listing.empty()) {
      result = send_files(context(OsKind::Linux), files);
    } else {
      std::string listing = c.listing;
      for (size_t at; (at = listing.find("{dir}")) != std::string::npos;) listing.replace(at, 5, dir.path().string());
      runner.on("sh", clipboard_file_lister(OsKind::Linux).args, ok_output(listing));
      result = send_clipboard(context(OsKind::Linux));
    }
    if (!result) {
      ADD_FAILURE() << result.error().display();
      continue;
    }
    EXPECT_EQ(last_call().input, *result);

    auto lines = split_lines(*result);
    if (lines.size() != c.names.size()) {
      ADD_FAILURE() << "paths printed: " << *result;
      continue;
    }
    std::vector<std::string> stored;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string prefix = "/home/dev/Share/my-laptop/";
      if (!lines[i].starts_with(prefix)) {
        ADD_FAILURE() << lines[i];
        continue;
      }
      std::string name(lines[i].substr(prefix.size()));
      EXPECT_TRUE(std::regex_match(name, std::regex(c.names[i]))) << name;
      EXPECT_LE(name.size(), 255u);
      for (char ch : name) EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << name;
      EXPECT_EQ(read_text(share() / name), c.contents[i]) << name;
      stored.push_back(name);
    }
    // Every stored name is a file of its own, beside the one already there,
    // and no partial copy is left.
    std::vector<std::string> expected = stored;
    expected.push_back("c.txt");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(share_listing(), expected);
    EXPECT_EQ(read_text(share() / "c.txt"), "sent earlier");
  }
}
