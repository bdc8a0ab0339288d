#include "maintenance/uninstall.h"

#include <gtest/gtest.h>

#include "state/paths.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

const char* kRemoved = "pelk was removed from this laptop. Your synced folder and ~/pelk-share stay as they are.\n";

// The fake laptop with pelk's files, trust and sessions in place.
struct InstalledLaptop : FakeLaptop {
  InstalledLaptop() {
    server.sessions = {{"pelk-code", {"/c", "pelk:Code"}}, {"pelk-share-out", {}}};
    write_text(home() / ".ssh/config", "Host a\n    User me\n\n# >>> pelk >>>\nHost pelk\n# <<< pelk <<<\n");
    write_text(state_dir(home()) / "ca.pem", kTestCertificate);
    write_text(state_dir(home()) / "sync.json", "{}");
    write_text(tools_dir(home()) / "mutagen", "binary");
    write_text(home() / "pelk-share/notes.txt", "mine");
    write_text(home() / "Code/app/main.c", "int main;");
  }

  Result<void> uninstall(OsKind os, ElevationMethod method, std::string& printed) {
    server.install(runner);
    script_elevation();
    out.str("");
    auto result = uninstall_laptop(context(os, method));
    printed = out.str();
    return result;
  }
};

}  // namespace

TEST(Uninstall, RemovesEverythingButTheUsersFiles) {
  InstalledLaptop laptop;
  fs::create_directories(laptop.home() / ".pki/nssdb");
  std::string printed;
  ASSERT_TRUE(laptop.uninstall(OsKind::Linux, ElevationMethod::Sudo, printed));
  EXPECT_EQ(printed, kRemoved);
  std::string certificate = (state_dir(laptop.home()) / "ca.pem").string();
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_EQ(laptop.elevated_scripts[0],
            "rm -f /etc/systemd/resolved.conf.d/pelk.conf && (systemctl restart systemd-resolved || true) && rm -f "
            "/usr/local/share/ca-certificates/pelk-environment-ca.crt /etc/pki/ca-trust/source/anchors/"
            "pelk-environment-ca.pem /etc/pki/trust/anchors/pelk-environment-ca.pem "
            "/etc/ca-certificates/trust-source/anchors/pelk-environment-ca.crt && { trust anchor --remove '" +
                certificate +
                "' >/dev/null 2>&1; update-ca-certificates --fresh >/dev/null 2>&1 || update-ca-trust >/dev/null "
                "2>&1 || true; } && rm -f /usr/local/bin/pelk");
  auto lines = laptop.runner.call_lines();
  ASSERT_EQ(lines.size(), 8u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[4].substr(0, 27), "[interactive] sudo sh -c rm");
  EXPECT_EQ(lines[5], "certutil -d sql:" + (laptop.home() / ".pki/nssdb").string() + " -D -n pelk environment CA");
  EXPECT_EQ(lines[6], "mutagen sync list");
  EXPECT_EQ(lines[7], "mutagen daemon stop");

  EXPECT_FALSE(fs::exists(state_dir(laptop.home())));
  EXPECT_FALSE(fs::exists(data_dir(laptop.home())));
  EXPECT_EQ(read_text(laptop.home() / ".ssh/config"), "Host a\n    User me\n\n");
  EXPECT_EQ(read_text(laptop.home() / "pelk-share/notes.txt"), "mine");
  EXPECT_EQ(read_text(laptop.home() / "Code/app/main.c"), "int main;");
}

TEST(Uninstall, KeepsMutagenWhileTheUserHasOwnSessions) {
  InstalledLaptop laptop;
  laptop.server.sessions["work"] = {"/w", "box:/w"};
  std::string printed;
  ASSERT_TRUE(laptop.uninstall(OsKind::Windows, ElevationMethod::PowerShellRunAs, printed));
  EXPECT_EQ(printed, std::string(kRemoved) +
                         "  Delete pelk.exe yourself if you installed the command; the app is removed from Settings > "
                         "Apps.\n  The Mutagen in " +
                         data_dir(laptop.home()).string() + " still runs your other sync sessions, so it stays.\n");
  EXPECT_TRUE(fs::exists(tools_dir(laptop.home()) / "mutagen"));
  EXPECT_FALSE(fs::exists(state_dir(laptop.home())));
  for (const auto& call : laptop.runner.calls()) EXPECT_NE(call.line(), "mutagen daemon stop");
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_NE(laptop.elevated_scripts[0].find("Remove-DnsClientNrptRule -Force\nClear-DnsClientCache\nif (Test-Path -LiteralPath '"),
            std::string::npos);
  EXPECT_EQ(laptop.server.sessions.size(), 1u);
}

TEST(Uninstall, CancelledPromptStopsBeforeTheFilesGo) {
  InstalledLaptop laptop;
  laptop.elevation_ok = false;
  std::string printed;
  auto result = laptop.uninstall(OsKind::Linux, ElevationMethod::Sudo, printed);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().display(),
            "removing the certificate, DNS route and pelk command failed or was cancelled; see the output above");
  EXPECT_TRUE(printed.empty());
  EXPECT_TRUE(fs::exists(state_dir(laptop.home()) / "ca.pem"));
  EXPECT_TRUE(fs::exists(tools_dir(laptop.home()) / "mutagen"));
  EXPECT_NE(read_text(laptop.home() / ".ssh/config").find("Host pelk"), std::string::npos);
  EXPECT_TRUE(laptop.server.sessions.empty());  // the sessions went first

  // Run again once the prompt is accepted: it completes.
  laptop.elevation_ok = true;
  ASSERT_TRUE(laptop.uninstall(OsKind::Linux, ElevationMethod::Sudo, printed));
  EXPECT_EQ(printed, kRemoved);
}

TEST(Uninstall, MacWithoutCertificateRunsNoKeychainCommands) {
  FakeLaptop laptop;
  laptop.script_elevation();
  ASSERT_TRUE(uninstall_laptop(laptop.context(OsKind::MacOs, ElevationMethod::Sudo)));
  EXPECT_EQ(laptop.printed(), kRemoved);
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_EQ(laptop.elevated_scripts[0], "if [ -f /etc/resolver/pelk.test.pelk-backup ]; then mv /etc/resolver/pelk.test.pelk-backup "
                        "/etc/resolver/pelk.test; else rm -f /etc/resolver/pelk.test; fi && true && rm -f "
                        "/usr/local/bin/pelk");
  for (const auto& call : laptop.runner.calls()) {
    EXPECT_NE(call.program, "security");
    EXPECT_NE(call.line(), "mutagen daemon stop");  // no Mutagen of pelk's in the tools folder
  }
}

TEST(Uninstall, MacWithCertificateRemovesTheLoginKeychainTrustFirst) {
  InstalledLaptop laptop;
  std::string printed;
  ASSERT_TRUE(laptop.uninstall(OsKind::MacOs, ElevationMethod::Sudo, printed));
  auto lines = laptop.runner.call_lines();
  EXPECT_EQ(lines[4], "security remove-trusted-cert " + (state_dir(laptop.home()) / "ca.pem").string());
  EXPECT_EQ(lines[5].substr(0, 45), "sh -c security delete-certificate -Z \"$(opens");
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_NE(laptop.elevated_scripts[0].find("(security remove-trusted-cert -d '"), std::string::npos);
}
