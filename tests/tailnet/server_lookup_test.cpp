#include "tailnet/server_lookup.h"

#include <gtest/gtest.h>

#include "support/fake_runner.h"

namespace {

const std::vector<std::string> kStatusArgs = {"status", "--json"};

std::string lookup(const std::string& report, const std::string& server) {
  FakeRunner runner;
  runner.on("tailscale", kStatusArgs, ok_output(report));
  auto address = find_server_address(runner, server, OsKind::Linux);
  if (!address) {
    EXPECT_TRUE(address.error().is_message());
    return "error: " + address.error().display();
  }
  return *address;
}

std::string running_with(const std::string& peers) {
  return R"({"BackendState":"Running","Peer":{)" + peers + "}}";
}

const std::string kDevbox =
    R"("k1":{"HostName":"DevBox-2","DNSName":"devbox.tail9.ts.net.","TailscaleIPs":["100.64.0.7","fd7a:115c::7"],"Online":true})";

}  // namespace

TEST(ServerLookup, MatchesFirstLabelHostNameOrAddress) {
  const std::string report =
      running_with(kDevbox + R"(,"k2":{"HostName":"caf\u00e9","DNSName":"x.tail9.ts.net.","TailscaleIPs":["100.64.0.8"],"Online":true})");
  struct Case {
    std::string server;
    std::string expected;
  };
  const Case cases[] = {
      {"devbox", "100.64.0.7"},
      {"DEVBOX", "100.64.0.7"},
      {"devbox-2", "100.64.0.7"},
      {"DevBox-2", "100.64.0.7"},
      {"100.64.0.7", "100.64.0.7"},
      {"fd7a:115c::7", "100.64.0.7"},
      {"FD7A:115C::7", "error: no machine called 'FD7A:115C::7' on your tailnet (found: devbox, x); pass --server <name>"},
      {"devbox.tail9", "error: no machine called 'devbox.tail9' on your tailnet (found: devbox, x); pass --server <name>"},
      {"devbo", "error: no machine called 'devbo' on your tailnet (found: devbox, x); pass --server <name>"},
      {"devboxx", "error: no machine called 'devboxx' on your tailnet (found: devbox, x); pass --server <name>"},
      // Folding touches A to Z only: the bytes of É and é differ by the same
      // bit as ASCII letters do, yet they stay different.
      {"CAF\xC3\xA9", "100.64.0.8"},
      {"caf\xC3\x89", "error: no machine called 'caf\xC3\x89' on your tailnet (found: devbox, x); pass --server <name>"},
  };
  for (const auto& c : cases) EXPECT_EQ(lookup(report, c.server), c.expected) << c.server;
}

TEST(ServerLookup, ReportsToOutcomes) {
  struct Case {
    const char* name;
    std::string report;
    std::string server;
    std::string expected;
  };
  const Case cases[] = {
      {"default name in other case", running_with(R"("a":{"DNSName":"PELK.x.ts.net.","TailscaleIPs":["100.1.2.3"],"Online":true})"),
       "pelk", "100.1.2.3"},
      {"name without a dot", running_with(R"("a":{"DNSName":"pelk","TailscaleIPs":["100.1.2.3"],"Online":true})"),
       "pelk", "100.1.2.3"},
      {"first key wins even offline",
       running_with(R"("b":{"HostName":"pelk","TailscaleIPs":["100.0.0.2"],"Online":true},)"
                    R"("a":{"HostName":"pelk","TailscaleIPs":["100.0.0.1"],"Online":false})"),
       "pelk", "error: pelk is offline on your tailnet; check the server with 'sudo pelk host status'"},
      {"keys walked byte-wise, not by case",
       running_with(R"("b":{"HostName":"pelk","TailscaleIPs":["100.0.0.2"],"Online":true},)"
                    R"("B":{"HostName":"pelk","TailscaleIPs":["100.0.0.1"],"Online":true})"),
       "pelk", "100.0.0.1"},
      {"IPv6 first", running_with(R"("a":{"HostName":"pelk","TailscaleIPs":["fd7a::1","100.64.0.7"],"Online":true})"),
       "pelk", "100.64.0.7"},
      {"IPv6 only", running_with(R"("a":{"HostName":"pelk","TailscaleIPs":["fd7a::1"],"Online":true})"), "Pelk",
       "error: Pelk has no IPv4 tailnet address"},
      {"no addresses", running_with(R"("a":{"HostName":"pelk","Online":true})"), "pelk",
       "error: pelk has no IPv4 tailnet address"},
      {"odd address text", running_with(R"("a":{"HostName":"pelk","TailscaleIPs":["100.1.2.3\nHost *"],"Online":true})"),
       "pelk", "error: unexpected tailnet address '100.1.2.3\nHost *'"},
      {"short address passes", running_with(R"("a":{"HostName":"pelk","TailscaleIPs":["1.2.3"],"Online":true})"),
       "pelk", "1.2.3"},
      {"no Peer member", R"({"BackendState":"Running"})", "pelk",
       "error: no machine called 'pelk' on your tailnet (found: none); pass --server <name>"},
      {"null Peer", R"({"BackendState":"Running","Peer":null})", "pelk",
       "error: no machine called 'pelk' on your tailnet (found: none); pass --server <name>"},
      {"found list sorted with duplicates and empty names",
       running_with(R"("1":{"DNSName":"web.t.ts.net."},"2":{"DNSName":"db.t.ts.net.","Online":true},)"
                    R"("3":{"DNSName":"web.u.ts.net."},"4":{"HostName":"x"},"5":{"DNSName":"Zed"})"),
       "pelk", "error: no machine called 'pelk' on your tailnet (found: , Zed, db, web, web); pass --server <name>"},
      {"not running", R"({"BackendState":"running","Peer":null})", "pelk",
       "error: Tailscale is running; open it and log in with the account your server uses"},
      {"needs login beats a match",
       R"({"BackendState":"NeedsLogin","Peer":{"a":{"HostName":"pelk","TailscaleIPs":["1.2.3.4"],"Online":true}}})",
       "pelk", "error: Tailscale is NeedsLogin; open it and log in with the account your server uses"},
      {"unreadable", R"({"BackendState":"Running"} [])", "pelk", "error: cannot read 'tailscale status': "},
  };
  for (const auto& c : cases) {
    std::string got = lookup(c.report, c.server);
    if (c.expected.ends_with(": ")) {
      EXPECT_TRUE(got.starts_with(c.expected)) << c.name << " gave: " << got;
      EXPECT_GT(got.size(), c.expected.size()) << c.name;
    } else {
      EXPECT_EQ(got, c.expected) << c.name;
    }
  }
}

TEST(ServerLookup, MissingTailscaleNamesTheDownloadPage) {
  FakeRunner runner;
  auto address = find_server_address(runner, "pelk", OsKind::Windows);
  ASSERT_FALSE(address);
  EXPECT_EQ(address.error().display(),
            "Tailscale is not installed; install it from https://tailscale.com/download and log in with the account "
            "your server uses");
}
