#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>

#include "connect/browser_trust.h"
#include "connect/login_keychain.h"
#include "connect/system_trust.h"
#include "support/fake_runner.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCert = "/home/o'neil/.config/pelk/ca.pem";
const std::string kQ = "'/home/o'\\''neil/.config/pelk/ca.pem'";
const fs::path kWindowsCert = "C:\\Users\\O'Neil\\.config\\pelk\\ca.pem";
const std::string kP = "'C:\\Users\\O''Neil\\.config\\pelk\\ca.pem'";

const std::string kLinuxTrust =
    "if [ -d /usr/local/share/ca-certificates ]; then install -m 0644 " + kQ +
    " /usr/local/share/ca-certificates/pelk-environment-ca.crt && update-ca-certificates; elif [ -d "
    "/etc/pki/ca-trust/source/anchors ]; then install -m 0644 " + kQ +
    " /etc/pki/ca-trust/source/anchors/pelk-environment-ca.pem && update-ca-trust; elif [ -d /etc/pki/trust/anchors ]; "
    "then install -m 0644 " + kQ +
    " /etc/pki/trust/anchors/pelk-environment-ca.pem && update-ca-certificates; elif [ -d "
    "/etc/ca-certificates/trust-source/anchors ]; then install -m 0644 " + kQ +
    " /etc/ca-certificates/trust-source/anchors/pelk-environment-ca.crt && trust extract-compat; else trust anchor "
    "--store " + kQ +
    "; fi && { command -v certutil >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libnss3-tools "
    ">/dev/null 2>&1 || dnf install -y -q nss-tools >/dev/null 2>&1 || pacman -S --needed --noconfirm nss >/dev/null "
    "2>&1 || true; }";

const std::string kMissingNote =
    "  Browsers: install certutil (libnss3-tools) and rerun to trust the certificate in Chrome and Firefox too.\n";
const std::string kFirefoxNote = "  Firefox trusts the certificate after a restart.\n";

std::vector<std::string> certutil_add(const fs::path& database, const fs::path& cert) {
  return {"-d", "sql:" + database.string(), "-A", "-t", "C,,", "-n", "pelk environment CA", "-i", cert.string()};
}

}  // namespace

TEST(SystemTrust, CommandTexts) {
  EXPECT_EQ(system_trust_command(OsKind::MacOs, kCert),
            "security add-trusted-cert -d -r trustRoot -k /Library/Keychains/System.keychain " + kQ);
  EXPECT_EQ(system_trust_command(OsKind::Linux, kCert), kLinuxTrust);
  EXPECT_EQ(system_trust_command(OsKind::Windows, kWindowsCert),
            "certutil -addstore -f Root " + kP +
                "\nif ($LASTEXITCODE -ne 0) { throw 'certutil could not add the certificate to the Root store' }");
}

TEST(SystemTrust, RemovalTexts) {
  EXPECT_EQ(system_trust_removal_command(OsKind::Linux, kCert),
            "rm -f /usr/local/share/ca-certificates/pelk-environment-ca.crt "
            "/etc/pki/ca-trust/source/anchors/pelk-environment-ca.pem /etc/pki/trust/anchors/pelk-environment-ca.pem "
            "/etc/ca-certificates/trust-source/anchors/pelk-environment-ca.crt && { trust anchor --remove " + kQ +
                " >/dev/null 2>&1; update-ca-certificates --fresh >/dev/null 2>&1 || update-ca-trust >/dev/null 2>&1 "
                "|| true; }");
  EXPECT_EQ(system_trust_removal_command(OsKind::Windows, kWindowsCert),
            "if (Test-Path -LiteralPath " + kP +
                ") { certutil -delstore Root (New-Object System.Security.Cryptography.X509Certificates.X509Certificate2(" +
                kP + ")).Thumbprint | Out-Null }");

  TempFolder home;
  fs::path cert = home / "it's/ca.pem";
  std::string q = "'" + (home / "it").string() + "'\\''s/ca.pem'";
  EXPECT_EQ(system_trust_removal_command(OsKind::MacOs, cert), "true");
  fs::create_directories(cert);  // a folder in its place is not the certificate
  EXPECT_EQ(system_trust_removal_command(OsKind::MacOs, cert), "true");
  fs::remove(cert);
  write_text(cert, "-----BEGIN CERTIFICATE-----\n");
  EXPECT_EQ(system_trust_removal_command(OsKind::MacOs, cert),
            "(security remove-trusted-cert -d " + q + " || true) && (security delete-certificate -Z \"$(openssl x509 -in " +
                q + " -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')\" /Library/Keychains/System.keychain || true)");
}

TEST(LoginKeychain, TrustOutcomes) {
  const fs::path home = "/Users/ann";
  const std::vector<std::string> args = {"add-trusted-cert", "-r", "trustRoot", "-k",
                                         "/Users/ann/Library/Keychains/login.keychain-db", kCert.string()};
  EXPECT_EQ(login_keychain_path(home), fs::path("/Users/ann/Library/Keychains/login.keychain-db"));
  {
    FakeRunner runner;
    runner.on("security", args, ok_output());
    EXPECT_TRUE(trust_in_login_keychain(runner, home, kCert));
    EXPECT_EQ(runner.calls().size(), 1u);
  }
  {
    FakeRunner runner;
    runner.on("security", args, failed_output("\n  SecTrustSettingsSetTrustSettings: The authorization was canceled.\n"));
    auto result = trust_in_login_keychain(runner, home, kCert);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error().display(),
              "trusting the environment's certificate failed or was cancelled: SecTrustSettingsSetTrustSettings: The "
              "authorization was canceled.");
  }
  {
    FakeRunner runner;
    runner.fail_start("security", EACCES);
    auto result = trust_in_login_keychain(runner, home, kCert);
    ASSERT_FALSE(result);
    EXPECT_TRUE(result.error().is_io());
  }
}

TEST(LoginKeychain, RemovalOnlyWithTheCertificateFile) {
  TempFolder home;
  fs::path cert = home / "ca.pem";
  FakeRunner runner;
  login_keychain_trust_removal(runner, home.path(), cert);
  EXPECT_TRUE(runner.calls().empty());

  write_text(cert, "pem");
  runner.fail_start("security", ENOENT);
  login_keychain_trust_removal(runner, home.path(), cert);
  std::string h = home.path().string();
  EXPECT_EQ(runner.call_lines(),
            (std::vector<std::string>{
                "security remove-trusted-cert " + h + "/ca.pem",
                "sh -c security delete-certificate -Z \"$(openssl x509 -in '" + h +
                    "/ca.pem' -noout -fingerprint -sha1 | sed 's/.*=//; s/://g')\" '" + h +
                    "/Library/Keychains/login.keychain-db'"}));
}

TEST(BrowserTrust, FindsChromeAndFirefoxDatabasesInOrder) {
  TempFolder home;
  EXPECT_TRUE(find_nss_databases(home.path()).empty());
  fs::create_directories(home / ".pki/nssdb");
  write_text(home / ".mozilla/firefox/zz.default/cert9.db", "");
  write_text(home / ".mozilla/firefox/aa.work/cert9.db", "");
  fs::create_directories(home / ".mozilla/firefox/no-db.profile");
  fs::create_directories(home / ".mozilla/firefox/db-is-folder/cert9.db");
  write_text(home / ".mozilla/firefox/profiles.ini", "");
  write_text(home / ".var/app/org.mozilla.firefox/.mozilla/firefox/f.default/cert9.db", "");
  write_text(home / "snap/firefox/common/.mozilla/firefox/s.default/cert9.db", "");
  EXPECT_EQ(find_nss_databases(home.path()),
            (std::vector<fs::path>{home / ".pki/nssdb", home / ".mozilla/firefox/aa.work",
                                   home / ".mozilla/firefox/zz.default",
                                   home / "snap/firefox/common/.mozilla/firefox/s.default",
                                   home / ".var/app/org.mozilla.firefox/.mozilla/firefox/f.default"}));
}

TEST(BrowserTrust, NotesAfterTrusting) {
  struct Case {
    const char* name;
    bool chrome_db;
    bool chrome_db_has_cert9;
    int firefox_profiles;
    bool certutil_works;
    std::string note;
    std::size_t runs;
  };
  const Case cases[] = {
      {"no databases", false, false, 0, true, "", 0},
      {"chrome database only", true, false, 0, true, "", 1},
      {"chrome database with cert9.db is no Firefox profile", true, true, 0, true, "", 1},
      {"two Firefox profiles, one in the snap root", false, false, 2, true, kFirefoxNote, 2},
      {"certutil missing", true, false, 2, false, kMissingNote, 3},
  };
  for (const auto& c : cases) {
    TempFolder home;
    fs::path cert = home / ".config/pelk/ca.pem";
    FakeRunner runner;
    if (c.chrome_db) fs::create_directories(home / ".pki/nssdb");
    if (c.chrome_db_has_cert9) write_text(home / ".pki/nssdb/cert9.db", "");
    if (c.firefox_profiles > 0) write_text(home / ".mozilla/firefox/a.default/cert9.db", "");
    if (c.firefox_profiles > 1) write_text(home / "snap/firefox/common/.mozilla/firefox/b.default/cert9.db", "");
    for (const auto& database : find_nss_databases(home.path())) {
      if (c.certutil_works) runner.on("certutil", certutil_add(database, cert), ok_output());
    }
    std::ostringstream out;
    ASSERT_TRUE(trust_in_browser_stores(runner, OsKind::Linux, home.path(), cert, out)) << c.name;
    EXPECT_EQ(out.str(), c.note) << c.name;
    EXPECT_EQ(runner.calls().size(), c.runs) << c.name;
  }
}

TEST(BrowserTrust, OtherPlatformsDoNothingAndRemovalDeletesTheNickname) {
  TempFolder home;
  fs::create_directories(home / ".pki/nssdb");
  write_text(home / ".mozilla/firefox/a.default/cert9.db", "");
  for (OsKind os : {OsKind::MacOs, OsKind::Windows}) {
    FakeRunner runner;
    std::ostringstream out;
    EXPECT_TRUE(trust_in_browser_stores(runner, os, home.path(), home / "ca.pem", out));
    EXPECT_TRUE(runner.calls().empty());
    EXPECT_EQ(out.str(), "");
  }
  FakeRunner runner;
  nss_trust_removal(runner, home.path());
  std::string h = home.path().string();
  EXPECT_EQ(runner.call_lines(),
            (std::vector<std::string>{"certutil -d sql:" + h + "/.pki/nssdb -D -n pelk environment CA",
                                      "certutil -d sql:" + h + "/.mozilla/firefox/a.default -D -n pelk environment CA"}));
}
