#include "maintenance/status.h"

#include <gtest/gtest.h>

#include "state/laptop_config.h"
#include "state/paths.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

// The fake laptop, connected, with both sessions running.
struct StatusLaptop : FakeLaptop {
  StatusLaptop() {
    fs::create_directories(state_dir(home()));
    write_text(state_dir(home()) / "laptop.json",
               "{\"server\": \"pelk\", \"address\": \"100.64.0.1\", \"code_dir\": \"/c\"}");
    server.sessions["pelk-code"] = {"/c", "pelk:Code"};
    server.sessions["pelk-share"] = {"/s", "pelk:Share/x"};
  }

  Result<std::string> status(OsKind os) {
    server.install(runner);
    return laptop_status(context(os));
  }
};

}  // namespace

TEST(Status, HealthyLaptopReadsOkOnEveryLine) {
  StatusLaptop laptop;
  laptop.runner.host("pelk-check.pelk.test", {"fd7a::1", "100.64.0.7"});
  auto report = laptop.status(OsKind::Linux);
  ASSERT_TRUE(report) << report.error().display();
  // The stored address is not used: the server is looked up afresh.
  EXPECT_EQ(*report,
            "Server:     pelk (100.64.0.7, online)\n"
            "SSH:        ok\n"
            "DNS:        ok\n"
            "File sync:  Watching for changes\n"
            "Sharing:    ok\n");
  EXPECT_EQ(laptop.runner.call_lines(),
            (std::vector<std::string>{"tailscale status --json", "ssh -o BatchMode=yes -o ConnectTimeout=10 pelk true",
                                      "mutagen sync list pelk-code", "mutagen sync list pelk-share"}));
}

TEST(Status, EachLineShowsWhatIsWrong) {
  struct Case {
    const char* name;
    OsKind os;
    std::function<void(StatusLaptop&)> arrange;
    std::string report;
  };
  const Case cases[] = {
      {"server offline, zone resolves elsewhere", OsKind::MacOs,
       [](StatusLaptop& l) {
         l.server.online = false;
         l.runner.host("pelk-check.pelk.test", {"100.64.0.7"});
       },
       "Server:     pelk (pelk is offline on your tailnet; check the server with 'sudo pelk host status')\n"
       "SSH:        ok\n"
       "DNS:        *.pelk.test resolves to 100.64.0.7, not the server\n"
       "File sync:  Watching for changes\n"
       "Sharing:    ok\n"},
      {"DNS elsewhere, sharing off, no login", OsKind::Windows,
       [](StatusLaptop& l) {
         l.runner.host("pelk-check.pelk.test", {"10.0.0.1", "10.0.0.2"});
         write_text(state_dir(l.home()) / "shots-off", "");
         l.server.login_ok = false;
         l.server.sessions.erase("pelk-code");
       },
       "Server:     pelk (100.64.0.7, online)\n"
       "SSH:        cannot log in\n"
       "DNS:        *.pelk.test resolves to 10.0.0.1, 10.0.0.2, not the server\n"
       "File sync:  no session; run pelk laptop connect\n"
       "Sharing:    off\n"},
      {"no resolution on Linux without systemd-resolved", OsKind::Linux,
       [](StatusLaptop& l) {
         write_text(l.root / "etc/resolv.conf", "nameserver 192.168.1.1\n");
         write_text(l.root / "etc/nsswitch.conf", "hosts: files dns\n");
         l.server.sessions.erase("pelk-share");
       },
       "Server:     pelk (100.64.0.7, online)\n"
       "SSH:        ok\n"
       "DNS:        *.pelk.test does not resolve: point it at systemd-resolved with `sudo ln -sf "
       "/run/systemd/resolve/stub-resolv.conf /etc/resolv.conf` (NetworkManager follows), then run pelk laptop "
       "connect again\n"
       "File sync:  Watching for changes\n"
       "Sharing:    no session; run pelk laptop sync\n"},
      {"no resolution with the resolver set up, Mutagen missing", OsKind::Linux,
       [](StatusLaptop& l) {
         write_text(l.root / "etc/resolv.conf", "nameserver 127.0.0.53\n");
         l.server.mutagen_installed = false;
       },
       "Server:     pelk (100.64.0.7, online)\n"
       "SSH:        ok\n"
       "DNS:        *.pelk.test does not resolve; run pelk laptop connect\n"
       "File sync:  no session; run pelk laptop connect\n"
       "Sharing:    no session; run pelk laptop sync\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StatusLaptop laptop;
    c.arrange(laptop);
    auto report = laptop.status(c.os);
    ASSERT_TRUE(report) << report.error().display();
    EXPECT_EQ(*report, c.report);
  }
}

TEST(Status, CodeSessionStatusIsTheFirstStatusLineTrimmed) {
  StatusLaptop laptop;
  laptop.server.install(laptop.runner);
  laptop.runner.on("mutagen", {"sync", "list", "pelk-code"},
                   ok_output("Name: pelk-code\r\n   Status:    Scanning files  \r\nStatus: second\n"));
  laptop.runner.on("mutagen", {"sync", "list", "pelk-code"}, ok_output("Name: pelk-code\n"));
  auto report = laptop_status(laptop.context(OsKind::MacOs));
  ASSERT_TRUE(report);
  EXPECT_NE(report->find("File sync:  Scanning files\n"), std::string::npos) << *report;

  report = laptop_status(laptop.context(OsKind::MacOs));
  ASSERT_TRUE(report);
  EXPECT_NE(report->find("File sync:  running\n"), std::string::npos) << *report;

  laptop.runner.fail_start("mutagen", EACCES);
  report = laptop_status(laptop.context(OsKind::MacOs));
  ASSERT_TRUE(report);
  EXPECT_NE(report->find("File sync:  Mutagen is not installed\nSharing:    no session; run pelk laptop sync\n"),
            std::string::npos)
      << *report;
}

TEST(Status, FailsWithoutAReportWhenNotConnectedOrSshCannotStart) {
  FakeLaptop bare;
  auto never = laptop_status(bare.context());
  ASSERT_FALSE(never);
  EXPECT_EQ(never.error().display(), "this laptop is not connected yet; run pelk laptop connect");
  EXPECT_TRUE(bare.runner.calls().empty());

  StatusLaptop laptop;
  laptop.server.install(laptop.runner);
  laptop.runner.fail_start("ssh", EACCES);
  auto broken = laptop_status(laptop.context(OsKind::Linux));
  ASSERT_FALSE(broken);
  EXPECT_TRUE(broken.error().is_io());
}
