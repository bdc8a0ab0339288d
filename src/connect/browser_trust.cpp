#include "connect/browser_trust.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "state/text.h"
#include "tools/console.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFirefoxProfileRoots[] = {
    ".mozilla/firefox",
    "snap/firefox/common/.mozilla/firefox",
    ".var/app/org.mozilla.firefox/.mozilla/firefox",
};

bool holds_cert_db(const fs::path& folder) {
  std::error_code ec;
  return fs::is_regular_file(folder / "cert9.db", ec);
}

// ~/.pki/nssdb is Chrome's shared database, not a Firefox profile, even when
// it holds a cert9.db.
bool is_shared_chrome_db(const fs::path& folder) {
  return folder.filename() == "nssdb" && folder.parent_path().filename() == ".pki";
}

std::vector<fs::path> firefox_profiles(const fs::path& root) {
  std::vector<fs::path> profiles;
  std::error_code ec;
  fs::directory_iterator entries(root, ec);
  if (ec) return profiles;
  for (auto it = fs::begin(entries); it != fs::end(entries); it.increment(ec)) {
    if (ec) break;
    if (holds_cert_db(it->path())) profiles.push_back(it->path());
  }
  std::ranges::sort(profiles);
  return profiles;
}

}  // namespace

std::vector<fs::path> find_nss_databases(const fs::path& home) {
  std::vector<fs::path> databases;
  std::error_code ec;
  if (fs::is_directory(home / ".pki/nssdb", ec)) databases.push_back(home / ".pki/nssdb");
  for (const char* root : kFirefoxProfileRoots) {
    auto profiles = firefox_profiles(home / root);
    databases.insert(databases.end(), profiles.begin(), profiles.end());
  }
  return databases;
}

Result<void> trust_in_browser_stores(ToolRunner& runner, OsKind os, const fs::path& home, const fs::path& certificate,
                                     std::ostream& out) {
  if (os != OsKind::Linux) return {};
  bool certutil_missing = false;
  int firefox_profiles_trusting = 0;
  for (const fs::path& database : find_nss_databases(home)) {
    auto run = run_capture(runner, "certutil",
                           {"-d", "sql:" + display_path(database), "-A", "-t", "C,,", "-n", kNssNickname, "-i",
                            display_path(certificate)});
    if (!run || !run->success) {
      certutil_missing = true;
      continue;
    }
    if (holds_cert_db(database) && !is_shared_chrome_db(database)) ++firefox_profiles_trusting;
  }
  if (certutil_missing) {
    return print(out,
                 "  Browsers: install certutil (libnss3-tools) and rerun to trust the certificate in Chrome and Firefox "
                 "too.\n");
  }
  if (firefox_profiles_trusting > 0) return print(out, "  Firefox trusts the certificate after a restart.\n");
  return {};
}

void nss_trust_removal(ToolRunner& runner, const fs::path& home) {
  for (const fs::path& database : find_nss_databases(home)) {
    (void)run_capture(runner, "certutil", {"-d", "sql:" + display_path(database), "-D", "-n", kNssNickname});
  }
}
