#include "connect/dns_route.h"

#include <gtest/gtest.h>

#include <sstream>

#include "connect/systemd_resolved.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const std::string kLinuxRoute =
    "mkdir -p /etc/systemd/resolved.conf.d && printf '[Resolve]\\nDNS=100.64.0.7\\nDomains=~pelk.test\\n' > "
    "/etc/systemd/resolved.conf.d/pelk.conf && systemctl restart systemd-resolved";

const std::string kNotRunningWarning =
    "  WARNING: systemd-resolved is not running, so *.pelk.test is not sent to your server (100.64.0.7) and sites will "
    "not open.\n"
    "  Turn it on and connect again (it may be masked, as on some VM images):\n"
    "    sudo systemctl unmask systemd-resolved && sudo systemctl enable --now systemd-resolved\n"
    "    sudo ln -sf /run/systemd/resolve/stub-resolv.conf /etc/resolv.conf\n"
    "  Or send *.pelk.test to 100.64.0.7 in the resolver you use.\n";

const std::string kNotUsedWarning =
    "  WARNING: *.pelk.test is sent to your server through systemd-resolved, but this computer's /etc/resolv.conf does "
    "not use it, so sites will not open.\n"
    "  point it at systemd-resolved with `sudo ln -sf /run/systemd/resolve/stub-resolv.conf /etc/resolv.conf` "
    "(NetworkManager follows), then run pelk laptop connect again\n";

const std::string kGlobalServerWarning =
    "  WARNING: systemd-resolved takes your server (100.64.0.7) as a DNS server for every name, so while connected it "
    "also sends this laptop's other lookups there, and they slow down whenever the server is out of reach.\n"
    "  To keep them off it, add a split DNS nameserver for pelk.test at 100.64.0.7 in your tailnet's DNS settings, "
    "then run pelk laptop connect again.\n";

const std::string kDropInRemoval =
    "if [ -f /etc/systemd/resolved.conf.d/pelk.conf ]; then rm -f /etc/systemd/resolved.conf.d/pelk.conf && "
    "(systemctl restart systemd-resolved || true); fi";

const std::string kStub = "# generated\nnameserver 127.0.0.53\noptions edns0 trust-ad\nsearch .\n";
const std::string kOtherServer = "nameserver 192.168.1.1\n";

// A laptop root whose files say what the case needs; "" leaves a file out.
struct Root {
  TempFolder folder;
  Root(bool resolved_running, const std::string& resolv_conf, const std::string& nsswitch) {
    if (resolved_running) fs::create_directories(folder / "run/systemd/resolve");
    if (!resolv_conf.empty()) write_text(folder / "etc/resolv.conf", resolv_conf);
    if (!nsswitch.empty()) write_text(folder / "etc/nsswitch.conf", nsswitch);
  }
};

}  // namespace

TEST(DnsRoute, MacosAndWindowsTexts) {
  FakeRunner runner;
  std::ostringstream out;
  auto mac = dns_route_command(OsKind::MacOs, "100.64.0.7", runner, out);
  ASSERT_TRUE(mac && *mac);
  EXPECT_EQ(**mac,
            "mkdir -p /etc/resolver && { [ ! -f /etc/resolver/pelk.test ] || grep -q '^# pelk' /etc/resolver/pelk.test "
            "|| cp /etc/resolver/pelk.test /etc/resolver/pelk.test.pelk-backup; } && printf '# pelk\\nnameserver "
            "100.64.0.7\\n' > /etc/resolver/pelk.test");
  auto windows = dns_route_command(OsKind::Windows, "100.64.0.7", runner, out);
  ASSERT_TRUE(windows && *windows);
  EXPECT_EQ(**windows,
            "Get-DnsClientNrptRule | Where-Object Comment -eq 'pelk' | Remove-DnsClientNrptRule -Force\n"
            "Add-DnsClientNrptRule -Namespace '.pelk.test' -NameServers '100.64.0.7' -Comment 'pelk'\n"
            "Clear-DnsClientCache");
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(runner.calls().empty());
}

TEST(DnsRoute, RemovalTexts) {
  EXPECT_EQ(dns_removal_command(OsKind::MacOs),
            "if [ -f /etc/resolver/pelk.test.pelk-backup ]; then mv /etc/resolver/pelk.test.pelk-backup "
            "/etc/resolver/pelk.test; else rm -f /etc/resolver/pelk.test; fi");
  EXPECT_EQ(dns_removal_command(OsKind::Linux),
            "rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved || true)");
  EXPECT_EQ(dns_removal_command(OsKind::Windows),
            "Get-DnsClientNrptRule | Where-Object Comment -eq 'pelk' | Remove-DnsClientNrptRule -Force\n"
            "Clear-DnsClientCache");
}

TEST(DnsRoute, LinuxChecksDecideWarningAndCommand) {
  struct Case {
    const char* name;
    bool running;
    std::string resolv_conf;
    std::string nsswitch;
    std::string warning;
    bool has_command;
  };
  const std::string resolve_hosts = "passwd: files\nhosts: files mymachines resolve [!UNAVAIL=return] dns\n";
  const Case cases[] = {
      {"stub resolver", true, kStub, "", "", true},
      {"nsswitch uses resolve", true, kOtherServer, resolve_hosts, "", true},
      {"neither sign", true, kOtherServer, "hosts: files dns\n", kNotUsedWarning, true},
      {"indented hosts line does not count", true, kOtherServer, "  hosts: files resolve\n", kNotUsedWarning, true},
      {"unreadable resolv.conf counts as in use", true, "", "", "", true},
      {"not running", false, kStub, resolve_hosts, kNotRunningWarning, false},
  };
  for (const auto& c : cases) {
    Root root(c.running, c.resolv_conf, c.nsswitch);
    FakeRunner runner(root.folder.path());
    std::ostringstream out;
    auto command = dns_route_command(OsKind::Linux, "100.64.0.7", runner, out);
    ASSERT_TRUE(command) << c.name;
    // Nobody answers resolvectl here, so no link routes the zone and the
    // drop-in comes with its warning.
    EXPECT_EQ(out.str(), c.warning + (c.has_command ? kGlobalServerWarning : "")) << c.name;
    if (c.has_command) {
      ASSERT_TRUE(command->has_value()) << c.name;
      EXPECT_EQ(**command, kLinuxRoute) << c.name;
    } else {
      EXPECT_FALSE(command->has_value()) << c.name;
    }
  }
}

TEST(DnsRoute, LinuxLeavesAZoneRoutedOnALinkAlone) {
  struct Case {
    const char* name;
    std::optional<ToolOutput> resolvectl;  // none: resolvectl cannot be started
    std::string printed;
    std::string command;
  };
  const std::string routed =
      "  Your tailnet already sends *.pelk.test to your server (split DNS on tailscale0), so pelk adds no DNS "
      "setting of its own.\n";
  const Case cases[] = {
      {"routing domain on the tailnet link",
       ok_output("Global:\nLink 2 (eth0): lan\nLink 5 (tailscale0): tail1234.ts.net ~pelk.test ~0.e.1.ip6.arpa\n"),
       routed, kDropInRemoval},
      {"search domain counts too, and our own global route does not hide it",
       ok_output("Global: ~pelk.test\nLink 5 (tailscale0): PELK.test\n"), routed, kDropInRemoval},
      {"two links", ok_output("Link 3 (wg0): ~pelk.test\nLink 5 (tailscale0): ~pelk.test.\n"),
       "  Your tailnet already sends *.pelk.test to your server (split DNS on wg0, tailscale0), so pelk adds no DNS "
       "setting of its own.\n",
       kDropInRemoval},
      {"only the global scope (an earlier connect's drop-in)", ok_output("Global: ~pelk.test\nLink 2 (eth0):\n"),
       kGlobalServerWarning, kLinuxRoute},
      {"names that only look alike", ok_output("Link 2 (eth0): ~test web.pelk.test ~xpelk.test pelk.test.example\n"),
       kGlobalServerWarning, kLinuxRoute},
      {"a link that takes every other name keeps them off the server",
       ok_output("Global: ~pelk.test\nLink 2 (wlan0): ~. home.lan\n"), "", kLinuxRoute},
      {"resolvectl fails", failed_output("Failed to get global data: Connection refused\n"), kGlobalServerWarning,
       kLinuxRoute},
      {"resolvectl cannot start", std::nullopt, kGlobalServerWarning, kLinuxRoute},
  };
  for (const auto& c : cases) {
    Root root(true, kStub, "");
    FakeRunner runner(root.folder.path());
    if (c.resolvectl) {
      runner.on("resolvectl", {"domain"}, *c.resolvectl);
    } else {
      runner.fail_start("resolvectl", EACCES);
    }
    std::ostringstream out;
    auto command = dns_route_command(OsKind::Linux, "100.64.0.7", runner, out);
    ASSERT_TRUE(command && *command) << c.name;
    EXPECT_EQ(out.str(), c.printed) << c.name;
    EXPECT_EQ(**command, c.command) << c.name;
  }
}

TEST(DnsRoute, LinuxWarnsWhenGlobalServersAreAlreadySet) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // relative to the root
    std::string setting;                                     // "" for no warning
  };
  const Case cases[] = {
      {"resolved.conf sets servers", {{"etc/systemd/resolved.conf", "[Resolve]\nDNS=192.168.1.1 9.9.9.9\n"}},
       "/etc/systemd/resolved.conf"},
      {"spaces around the key, a drop-in in /run as well",
       {{"etc/systemd/resolved.conf", "[Resolve]\n DNS = 1.1.1.1\n"},
        {"run/systemd/resolved.conf.d/vpn.conf", "[Resolve]\nDNS=10.0.0.1\n"}},
       "/etc/systemd/resolved.conf and /run/systemd/resolved.conf.d/vpn.conf"},
      {"Debian's commented defaults, fallback servers, another section",
       {{"etc/systemd/resolved.conf", "[Resolve]\n#DNS=\n; DNS=1.1.1.1\nFallbackDNS=1.1.1.1\n[Other]\nDNS=1.1.1.1\n"}},
       ""},
      {"a later drop-in clears the list",
       {{"etc/systemd/resolved.conf", "[Resolve]\nDNS=192.168.1.1\n"},
        {"etc/systemd/resolved.conf.d/zz-clear.conf", "[Resolve]\nDNS=\n"}},
       ""},
      {"an /etc drop-in hides one of the same name elsewhere; our own is not counted",
       {{"usr/lib/systemd/resolved.conf.d/dns.conf", "[Resolve]\nDNS=10.0.0.1\n"},
        {"etc/systemd/resolved.conf.d/dns.conf", "[Resolve]\n"},
        {"etc/systemd/resolved.conf.d/pelk.conf", "[Resolve]\nDNS=100.64.0.7\nDomains=~pelk.test\n"}},
       ""},
  };
  for (const auto& c : cases) {
    Root root(true, kStub, "");
    for (const auto& [path, text] : c.files) {
      fs::create_directories((root.folder / path).parent_path());
      write_text(root.folder / path, text);
    }
    FakeRunner runner(root.folder.path());
    std::ostringstream out;
    auto command = dns_route_command(OsKind::Linux, "100.64.0.7", runner, out);
    ASSERT_TRUE(command && *command) << c.name;
    EXPECT_EQ(**command, kLinuxRoute) << c.name;
    std::string warning = c.setting.empty() ? ""
                                            : "  WARNING: " + c.setting +
                                                  " also gives systemd-resolved DNS= servers for every name, so "
                                                  "*.pelk.test may go to them instead of your server; pelk laptop "
                                                  "status will show it.\n";
    EXPECT_EQ(out.str(), kGlobalServerWarning + warning) << c.name;
  }

  // With the zone routed on a link the global servers do not matter.
  Root root(true, kStub, "");
  fs::create_directories(root.folder / "etc/systemd");
  write_text(root.folder / "etc/systemd/resolved.conf", "[Resolve]\nDNS=192.168.1.1\n");
  FakeRunner runner(root.folder.path());
  runner.on("resolvectl", {"domain"}, ok_output("Link 5 (tailscale0): ~pelk.test\n"));
  std::ostringstream out;
  auto command = dns_route_command(OsKind::Linux, "100.64.0.7", runner, out);
  ASSERT_TRUE(command && *command);
  EXPECT_EQ(**command, kDropInRemoval);
  EXPECT_EQ(out.str().find("WARNING"), std::string::npos) << out.str();
}

TEST(DnsRoute, WarningThatCannotBeWrittenIsTheError) {
  Root root(false, "", "");
  FakeRunner runner(root.folder.path());
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  auto command = dns_route_command(OsKind::Linux, "100.64.0.7", runner, out);
  ASSERT_FALSE(command);
  EXPECT_TRUE(command.error().is_io());
}

TEST(SystemdResolved, FileContents) {
  struct Case {
    std::string text;
    bool stub;
    bool hosts_resolve;
  };
  const Case cases[] = {
      {"nameserver 127.0.0.53\n", true, false},
      {"nameserver\t127.0.0.53  # stub\r\n", true, false},
      {"  nameserver 127.0.0.53", true, false},
      {"nameserver 127.0.0.530\n", false, false},
      {"# nameserver 127.0.0.53\n", false, false},
      {"nameserver 1.1.1.1 127.0.0.53\n", false, false},
      {"hosts: files resolve\n", false, true},
      {"hosts:\tresolve [!UNAVAIL=return]\r\n", false, true},
      {"hosts: files resolver dns\n", false, false},
      {" hosts: resolve\n", false, false},
      {"#hosts: resolve\nhosts: files\n", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(resolv_conf_points_at_stub(c.text), c.stub) << c.text;
    EXPECT_EQ(nsswitch_hosts_use_resolve(c.text), c.hosts_resolve) << c.text;
  }
  Root without_nsswitch(true, kOtherServer, "");
  FakeRunner runner(without_nsswitch.folder.path());
  EXPECT_FALSE(uses_systemd_resolved(runner));
}
