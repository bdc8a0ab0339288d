#include "cli/laptop_dispatch.h"

#include <gtest/gtest.h>

#include <sstream>

#include "state/paths.h"
#include "state/text.h"
#include "support/fake_runner.h"

namespace fs = std::filesystem;

namespace {

// A home and a stored code folder, absolute on this platform.
#ifdef _WIN32
const fs::path kHome = "C:\\Users\\ann";
const fs::path kStoredCodeDir = "C:\\work\\code";
#else
const fs::path kHome = "/home/ann";
const fs::path kStoredCodeDir = "/work/code";
#endif

// Stand-in entries that log how they were called and answer as told.
struct Stand {
  std::vector<std::string> log;
  std::optional<ConnectRequest> request;
  std::optional<fs::path> connect_home;  // the home connect was handed
  OsKind connect_os = OsKind::Linux;
  ElevationMethod connect_elevation = ElevationMethod::Sudo;
  std::vector<fs::path> sent;
  Result<void> sync_result = {};
  Result<LaptopConfig> config = LaptopConfig{"pelk", "100.64.0.7", kStoredCodeDir};
  Result<std::string> report = std::string("Tailnet: ok\nSSH: ok");

  LaptopEntries entries() {
    LaptopEntries e;
    e.connect_laptop = [this](const LaptopContext& c, const ConnectRequest& r) -> Result<void> {
      request = r;
      connect_home = c.home;
      connect_os = c.os;
      connect_elevation = c.elevation;
      log.push_back("connect");
      return {};
    };
    e.load_config = [this](const fs::path& home) -> Result<LaptopConfig> {
      log.push_back("load " + home.string());
      return config;
    };
    e.sync_code = [this](const LaptopContext& c, const fs::path& code) -> Result<void> {
      log.push_back("sync " + state_dir(c.home).string() + " " + code.string());
      c.out << "==> File sync\n";
      return sync_result;
    };
    e.setup_share = [this](const LaptopContext& c) -> Result<void> {
      log.push_back("share " + c.home.string());
      return {};
    };
    e.laptop_status = [this](const LaptopContext&) { return report; };
    e.disconnect_laptop = [this](const LaptopContext& c) -> Result<void> {
      log.push_back("disconnect " + std::to_string(int(c.os)) + " " + std::to_string(int(c.elevation)));
      return {};
    };
    e.uninstall_laptop = [this](const LaptopContext& c) -> Result<void> {
      log.push_back("uninstall " + std::to_string(int(c.os)) + " " + std::to_string(int(c.elevation)));
      return {};
    };
    e.set_sharing = [this](const LaptopContext&, bool on) -> Result<void> {
      log.push_back(on ? "sharing on" : "sharing off");
      return {};
    };
    e.send_files = [this](const LaptopContext&, const std::vector<fs::path>& files) -> Result<std::string> {
      log.push_back("send files");
      sent = files;
      return std::string("~/Share/a.txt");
    };
    e.send_clipboard = [this](const LaptopContext&) -> Result<std::string> {
      log.push_back("send clipboard");
      return std::string("~/Share/shot.png");
    };
    e.set_keep_days = [this](const LaptopContext&, std::uint32_t days) -> Result<void> {
      log.push_back("keep " + std::to_string(days));
      return {};
    };
    e.set_screenshot_folder = [this](const LaptopContext&) -> Result<void> {
      log.push_back("screenshots");
      return {};
    };
    return e;
  }
};

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome dispatch(const LaptopCommand& command, const LaptopEntries& entries, OsKind os = OsKind::Linux,
             ElevationMethod elevation = ElevationMethod::Sudo, const fs::path& home = "/home/ann",
             HomeOwnership ownership = {}) {
  FakeRunner runner;
  std::ostringstream out, err;
  DispatchContext context{{runner, home, os, elevation, out}, "/home/ann/projects", err, ownership};
  int status = dispatch_laptop(command, entries, context);
  return {status, out.str(), err.str()};
}

}  // namespace

TEST(LaptopDispatch, ConnectRequestCarriesOptionsHomeAndPlatform) {
  struct Row {
    cli::Connect command;
    std::string server;
    fs::path code_dir;
    bool force;
  };
  const std::vector<Row> rows = {
      {cli::Connect{}, "pelk", fs::path("/home/ann") / "Code", false},
      // A relative folder is taken from the working folder, once: it is stored
      // and synced as that absolute path. (As given, "a:b" would be a remote
      // endpoint to Mutagen and "-d" an option.)
      {cli::Connect{"my-box", fs::path("../x"), true}, "my-box", "/home/ann/x", true},
      {cli::Connect{"pelk", fs::path("work"), false}, "pelk", "/home/ann/projects/work", false},
      {cli::Connect{"pelk", fs::path("./a:b/"), false}, "pelk", "/home/ann/projects/a:b", false},
      {cli::Connect{"pelk", fs::path("-d"), false}, "pelk", "/home/ann/projects/-d", false},
      {cli::Connect{"pelk", fs::path("."), false}, "pelk", "/home/ann/projects", false},
      {cli::Connect{"100.64.0.9", fs::path("/srv/code/"), false}, "100.64.0.9", "/srv/code/", false},
  };
  for (const auto& row : rows) {
    Stand stand;
    Outcome run = dispatch(row.command, stand.entries(), OsKind::MacOs, ElevationMethod::Osascript);
    ASSERT_EQ(run.status, 0);
    ASSERT_TRUE(stand.request);
    EXPECT_EQ(stand.request->server, row.server);
    EXPECT_EQ(stand.request->code_dir.native(), row.code_dir.native());
    EXPECT_EQ(stand.connect_home, fs::path("/home/ann"));
    EXPECT_EQ(stand.request->force, row.force);
    EXPECT_EQ(stand.connect_os, OsKind::MacOs);
    EXPECT_EQ(stand.connect_elevation, ElevationMethod::Osascript);
  }
}

TEST(LaptopDispatch, SendChoosesClipboardOnlyForAnEmptyListAndPrintsCopied) {
  Stand clipboard;
  Outcome run = dispatch(cli::Share{cli::Send{}}, clipboard.entries());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(clipboard.log, std::vector<std::string>{"send clipboard"});
  EXPECT_EQ(run.out, "~/Share/shot.png\n(copied)\n");

  Stand files;
  run = dispatch(cli::Share{cli::Send{{"a.txt", "-d"}}}, files.entries());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(files.log, std::vector<std::string>{"send files"});
  EXPECT_EQ(files.sent, (std::vector<fs::path>{"a.txt", "-d"}));
  EXPECT_EQ(run.out, "~/Share/a.txt\n(copied)\n");
}

TEST(LaptopDispatch, SyncRunsItsThreeStepsAndStopsAtTheFirstFailure) {
  Stand ok;
  Outcome run = dispatch(cli::Sync{}, ok.entries());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ok.log, (std::vector<std::string>{"load /home/ann",
                                              "sync " + state_dir("/home/ann").string() + " " + kStoredCodeDir.string(),
                                              "share /home/ann"}));

  Stand not_connected;
  not_connected.config = fail_message("this laptop is not connected yet; run pelk laptop connect");
  run = dispatch(cli::Sync{}, not_connected.entries());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(not_connected.log, std::vector<std::string>{"load /home/ann"});
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "pelk: this laptop is not connected yet; run pelk laptop connect\n");

  Stand sync_fails;
  sync_fails.sync_result = fail_message("starting the file sync failed: boom");
  run = dispatch(cli::Sync{}, sync_fails.entries());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(sync_fails.log.size(), 2u);  // no share setup
  EXPECT_EQ(run.out, "==> File sync\n");  // what was printed before the failure stays
  EXPECT_EQ(run.err, "pelk: starting the file sync failed: boom\n");
}

TEST(LaptopDispatch, PrintsResultsAndFailuresOnTheirStreams) {
  Stand status;
  Outcome run = dispatch(cli::Status{}, status.entries());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Tailnet: ok\nSSH: ok");  // exactly as returned, no line end added
  EXPECT_EQ(run.err, "");

  Stand io;
  io.report = fail(CommandError::io_errno(ENOENT));
  run = dispatch(cli::Status{}, io.entries());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "pelk: No such file or directory (os error 2)\n");

  Stand macos;
  run = dispatch(cli::Share{cli::Macos{}}, macos.entries());
  EXPECT_EQ(run.out, "macOS now saves screenshots into ~/pelk-share.\n");
}

TEST(LaptopDispatch, EachCommandReachesItsEntryWithItsArguments) {
  struct Row {
    LaptopCommand command;
    std::string logged;
  };
  const std::vector<Row> rows = {
      {cli::Disconnect{}, "disconnect 2 3"},
      {cli::Uninstall{}, "uninstall 2 3"},
      {cli::Share{cli::ShareOn{}}, "sharing on"},
      {cli::Share{cli::ShareOff{}}, "sharing off"},
      {cli::Share{cli::Keep{4294967295u}}, "keep 4294967295"},
      {cli::Share{cli::Macos{}}, "screenshots"},
  };
  for (const auto& row : rows) {
    Stand stand;
    Outcome run = dispatch(row.command, stand.entries(), OsKind::Windows, ElevationMethod::PowerShellRunAs);
    EXPECT_EQ(run.status, 0) << row.logged;
    EXPECT_EQ(stand.log, std::vector<std::string>{row.logged});
  }
}

// Mutagen and the share paths carry folders as Unicode text, so a home or
// code folder whose path is not is refused before any entry runs.
TEST(LaptopDispatch, FoldersThatAreNotUnicodeAreRefusedBeforeAnything) {
#ifdef _WIN32
  const fs::path bad_home = fs::path(L"C:\\Users\\ann\xD800");
  const fs::path bad_code = fs::path(L"C:\\work\xD800");
#else
  const fs::path bad_home = "/home/ann\xff";
  const fs::path bad_code = "/work/code\xfe";
#endif
  const std::string home_message =
      "pelk: the home folder " + display_path(bad_home) + " is not a valid Unicode path, so pelk cannot sync or share from it\n";
  const std::string code_message = "pelk: the code folder " + display_path(bad_code) +
                                   " is not a valid Unicode path, so pelk cannot sync it; rename it, or connect "
                                   "again with --code-dir <folder>\n";
  struct Row {
    std::string what;
    LaptopCommand command;
    fs::path home;
    std::optional<LaptopConfig> config;
    std::vector<std::string> log;  // entries reached
    std::string err;
  };
  const std::vector<Row> rows = {
      {"connect, home", cli::Connect{}, bad_home, {}, {}, home_message},
      {"connect, code folder", cli::Connect{"pelk", bad_code, false}, "/home/ann", {}, {}, code_message},
      {"sync, home", cli::Sync{}, bad_home, {}, {}, home_message},
      {"sync, stored code folder", cli::Sync{}, "/home/ann", LaptopConfig{"pelk", "100.64.0.7", bad_code},
       {"load /home/ann"}, code_message},
      {"sync, relative code folder of an older record", cli::Sync{}, "/home/ann",
       LaptopConfig{"pelk", "100.64.0.7", "work"}, {"load /home/ann"},
       "pelk: the code folder work is not an absolute path; connect again with --code-dir <folder>\n"},
      {"share send", cli::Share{cli::Send{{"a.txt"}}}, bad_home, {}, {}, home_message},
      {"share send from the clipboard", cli::Share{cli::Send{}}, bad_home, {}, {}, home_message},
      {"share on", cli::Share{cli::ShareOn{}}, bad_home, {}, {}, home_message},
      {"share keep", cli::Share{cli::Keep{3}}, bad_home, {}, {}, home_message},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Stand stand;
    if (row.config) stand.config = *row.config;
    Outcome run = dispatch(row.command, stand.entries(), OsKind::Linux, ElevationMethod::Sudo, row.home);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(stand.log, row.log);
    EXPECT_FALSE(stand.request);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, row.err);
  }
}

// `sudo pelk laptop ...` with HOME kept (macOS's sudo keeps it) would leave
// root's files in the user's home; such a run stops before any command starts.
TEST(LaptopDispatch, RootRunForAnotherUsersHomeStopsBeforeTheCommand) {
  struct Row {
    HomeOwnership ownership;
    bool refused;
  };
  const Row rows[] = {
      {{true, true}, true},
      {{true, false}, false},   // root's own home
      {{false, true}, false},   // a plain user: the system keeps them out of others' files
      {{false, false}, false},
  };
  const std::vector<LaptopCommand> commands = {cli::Connect{}, cli::Sync{}, cli::Status{}, cli::Disconnect{},
                                               cli::Uninstall{}, cli::Share{cli::Send{}},
                                               cli::Share{cli::Keep{3}}};
  for (const auto& row : rows) {
    for (const auto& command : commands) {
      Stand stand;
      Outcome run = dispatch(command, stand.entries(), OsKind::MacOs, ElevationMethod::Osascript, kHome,
                             row.ownership);
      if (row.refused) {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(stand.log.empty());
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "pelk: pelk is running as root, but the home folder " + display_path(kHome) +
                               " belongs to another user; run it without sudo, as that user\n");
      } else {
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(!stand.log.empty() || !run.out.empty());  // the entry ran (status only prints)
      }
    }
  }
}
