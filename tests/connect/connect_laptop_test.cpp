#include "connect/connect_laptop.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "filesync/sync_spec.h"
#include "state/laptop_config.h"
#include "state/paths.h"
#include "state/text.h"
#include "support/fake_laptop.h"

namespace fs = std::filesystem;

namespace {

// The fake laptop with connect's own arrangements.
struct Laptop : FakeLaptop {
  // A Linux laptop with every tool and systemd-resolved in use.
  void linux_with_tools(bool resolved = true) {
    if (resolved) {
      fs::create_directories(root / "run/systemd/resolve");
      write_text(root / "etc/resolv.conf", "nameserver 127.0.0.53\noptions edns0\n");
    }
    for (const char* tool : {"tailscale", "wl-paste", "wl-copy", "xclip", "certutil"}) {
      runner.on("sh", {"-c", std::string("command -v ") + tool}, ok_output(std::string("/usr/bin/") + tool + "\n"));
    }
  }

  ConnectRequest request() const { return ConnectRequest{"pelk", home() / "Code", false}; }

  Result<void> connect(OsKind os, ElevationMethod elevation, std::string& printed) {
    return connect(request(), printed, os, elevation);
  }
  Result<void> connect(const ConnectRequest& request, std::string& printed, OsKind os = OsKind::Linux,
                       ElevationMethod elevation = ElevationMethod::Sudo) {
    server.install(runner);
    script_elevation();
    runner.on_any("security", [](const FakeCall&) -> Result<ToolOutput> { return ok_output(); });
    out.str("");
    auto result = connect_laptop(context(os, elevation), request);
    printed = out.str();
    return result;
  }
};

// The recorded runs, with each elevated script shown as <script> (scripts are
// compared on their own).
std::vector<std::string> runs(const FakeRunner& runner, const fs::path& home) {
  std::vector<std::string> lines;
  for (const auto& call : runner.calls()) {
    FakeCall shown = call;
    if (call.program == "sudo" || call.program == "osascript" ||
        (call.program == "powershell" && call.input)) {
      shown.args.back() = "<script>";
    }
    std::string line = shown.line();
    for (size_t at; (at = line.find(home.string())) != std::string::npos;) line.replace(at, home.string().size(), "~");
    lines.push_back(line);
  }
  return lines;
}

// The ignore options of a session under the default rules (the list itself is
// the sync rules' own concern).
std::string default_ignores() {
  std::vector<std::string> options;
  for (const auto& pattern : default_ignore_patterns()) options.push_back("--ignore=" + pattern);
  return join(options, " ");
}

// The runs of the "File sync" step on a laptop that has never synced.
std::vector<std::string> first_file_sync_runs(std::string_view home = "~", std::string_view sep = "/") {
  std::string h(home), s(sep);
  return {"mutagen version",
          "mutagen version",
          "ssh pelk cat .config/pelk/sync.json",
          "mutagen sync list pelk-code",
          "mutagen sync create --name pelk-code --mode two-way-resolved " + default_ignores() + " " + h + s +
              "Code pelk:Code",
          "mutagen version",
          "mutagen sync list pelk-shots",
          "hostname",
          "ssh pelk cd && if [ -d Shots ] && [ ! -L Shots ] && [ ! -e Share ]; then mv Shots Share && ln -s Share "
          "Shots; fi && mkdir -p Share/work-laptop/out && find Share/work-laptop -path Share/work-laptop/keep "
          "-prune -o -type f -mmin +10080 -exec rm -f {} +",
          "mutagen sync list pelk-share",
          "mutagen sync create --name pelk-share --mode one-way-replica --ignore /from-server --ignore /out " + h +
              s + "pelk-share pelk:Share/work-laptop",
          "mutagen sync list pelk-share-out",
          "mutagen sync create --name pelk-share-out --mode one-way-replica pelk:Share/work-laptop/out " + h + s +
              "pelk-share" + s + "from-server"};
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kLoginCheck = "ssh -o BatchMode=yes -o ConnectTimeout=15 -o StrictHostKeyChecking=accept-new pelk true";
const std::string kFetchCertificate =
    "ssh pelk cat .local/share/pelk/ca.cert.pem 2>/dev/null || cat .local/share/lunt/ca.cert.pem";

std::string share_lines(const fs::path& home, std::string_view separator = "/") {
  std::string share = (home / "pelk-share").string();
  return "  File sharing: " + share + " -> /home/dev/Share/work-laptop on the server\n"
         "  From the server: /home/dev/Share/work-laptop/out -> " + share + std::string(separator) + "from-server\n";
}

std::string summary(const fs::path& code) {
  return "\nYour laptop is connected.\n  Code: " + code.string() +
         " <-> pelk:~/Code\n  Sites: https://<folder>.pelk.test for each folder in it\n  Terminal and agents: ssh pelk\n";
}

}  // namespace

TEST(Connect, FirstConnectOnLinuxDoesEveryStepInOrder) {
  Laptop laptop;
  laptop.linux_with_tools();
  std::string printed;
  auto result = laptop.connect(OsKind::Linux, ElevationMethod::Sudo, printed);
  ASSERT_TRUE(result) << result.error().display() << "\n" << printed;

  EXPECT_EQ(printed, "==> Finding your server on Tailscale\n"
                     "  pelk is 100.64.0.7\n"
                     "==> SSH\n"
                     "==> Fetching the environment's certificate\n"
                     "==> Trusting the certificate and sending *.pelk.test to your server (asks for your password once)\n"
                     "  WARNING: systemd-resolved takes your server (100.64.0.7) as a DNS server for every name, so "
                     "while connected it also sends this laptop's other lookups there, and they slow down whenever the "
                     "server is out of reach.\n"
                     "  To keep them off it, add a split DNS nameserver for pelk.test at 100.64.0.7 in your tailnet's "
                     "DNS settings, then run pelk laptop connect again.\n"
                     "==> File sync\n" +
                         share_lines(laptop.home()) + summary(laptop.home() / "Code"));
  EXPECT_EQ(runs(laptop.runner, laptop.home()),
            concat({"mutagen sync list pelk-code", "mutagen sync list", "sh -c command -v tailscale",
                    "tailscale status --json", kLoginCheck, kFetchCertificate, "resolvectl domain",
                    "sh -c command -v wl-paste",
                    "sh -c command -v wl-copy", "sh -c command -v xclip", "sh -c command -v certutil",
                    "[interactive] sudo sh -c <script>", "sh -c command -v wl-paste"},
                   first_file_sync_runs()));

  // One elevated script: the certificate (quoted path) then the DNS drop-in.
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  const std::string& script = laptop.elevated_scripts[0];
  EXPECT_TRUE(script.starts_with("if [ -d /usr/local/share/ca-certificates ]; then install -m 0644 '" +
                                 (laptop.home() / ".config/pelk/ca.pem").string() + "'"));
  EXPECT_TRUE(script.ends_with(" && mkdir -p /etc/systemd/resolved.conf.d && printf '[Resolve]\\nDNS=100.64.0.7\\n"
                               "Domains=~pelk.test\\n' > /etc/systemd/resolved.conf.d/pelk.conf && systemctl restart "
                               "systemd-resolved"));

  EXPECT_EQ(read_text(state_dir(laptop.home()) / "ca.pem"), kTestCertificate);
  EXPECT_EQ(read_text(state_dir(laptop.home()) / "laptop.json"),
            "{\n  \"server\": \"pelk\",\n  \"address\": \"100.64.0.7\",\n  \"code_dir\": \"" +
                (laptop.home() / "Code").string() + "\"\n}");
  EXPECT_TRUE(read_text(laptop.home() / ".ssh/config").starts_with("# >>> pelk >>>\nHost pelk\n    HostName 100.64.0.7\n"));
  EXPECT_TRUE(fs::is_directory(laptop.home() / "Code"));
}

TEST(Connect, LinuxWithoutSystemdResolvedWarnsAndStillConnects) {
  Laptop laptop;
  laptop.linux_with_tools(/*resolved=*/false);
  std::string printed;
  ASSERT_TRUE(laptop.connect(OsKind::Linux, ElevationMethod::Sudo, printed)) << printed;
  EXPECT_NE(printed.find("to your server (asks for your password once)\n"
                         "  WARNING: systemd-resolved is not running, so *.pelk.test is not sent to your server "
                         "(100.64.0.7) and sites will not open.\n"),
            std::string::npos)
      << printed;
  EXPECT_NE(printed.find("\nYour laptop is connected.\n"), std::string::npos);
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_EQ(laptop.elevated_scripts[0].find("resolved.conf.d"), std::string::npos);
  EXPECT_NE(laptop.elevated_scripts[0].find("update-ca-certificates"), std::string::npos);
}

TEST(Connect, MacWithOsascriptTrustsTheLoginKeychainFirst) {
  Laptop laptop;
  std::string printed;
  ASSERT_TRUE(laptop.connect(OsKind::MacOs, ElevationMethod::Osascript, printed)) << printed;
  std::string certificate = (laptop.home() / ".config/pelk/ca.pem").string();
  std::string keychain = (laptop.home() / "Library/Keychains/login.keychain-db").string();
  EXPECT_EQ(runs(laptop.runner, laptop.home()),
            concat({"mutagen sync list pelk-code", "mutagen sync list", "tailscale status --json", kLoginCheck,
                    kFetchCertificate,
                    "security add-trusted-cert -r trustRoot -k ~/Library/Keychains/login.keychain-db ~/.config/pelk/ca.pem",
                    "osascript -e <script>"},
                   first_file_sync_runs()));
  // The system keychain is left out: the script holds the resolver file only.
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_TRUE(laptop.elevated_scripts[0].starts_with("do shell script \"sh -c 'mkdir -p /etc/resolver && "))
      << laptop.elevated_scripts[0];
  EXPECT_EQ(laptop.elevated_scripts[0].find("System.keychain"), std::string::npos);
  EXPECT_NE(printed.find("==> Trusting the certificate and sending *.pelk.test to your server (asks for your password once)\n"
                         "==> File sync\n"),
            std::string::npos);
}

TEST(Connect, MacWithSudoPutsTheSystemKeychainIntoTheScript) {
  Laptop laptop;
  std::string printed;
  ASSERT_TRUE(laptop.connect(OsKind::MacOs, ElevationMethod::Sudo, printed)) << printed;
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  EXPECT_TRUE(laptop.elevated_scripts[0].starts_with(
      "security add-trusted-cert -d -r trustRoot -k /Library/Keychains/System.keychain '"));
  for (const auto& call : laptop.runner.calls()) EXPECT_NE(call.program, "security");
}

TEST(Connect, WindowsAsksForApprovalOnceWithOnePowerShellScript) {
  Laptop laptop;
  std::string printed;
  ASSERT_TRUE(laptop.connect(OsKind::Windows, ElevationMethod::PowerShellRunAs, printed)) << printed;
  EXPECT_NE(printed.find("==> Trusting the certificate and sending *.pelk.test to your server (asks for administrator "
                         "approval once)\n"),
            std::string::npos);
  ASSERT_EQ(laptop.elevated_scripts.size(), 1u);
  const std::string& input = laptop.elevated_scripts[0];
  EXPECT_TRUE(input.starts_with("$ErrorActionPreference = 'Stop'\n"));
  EXPECT_NE(input.find("certutil -addstore -f Root '"), std::string::npos);
  EXPECT_NE(input.find("\nAdd-DnsClientNrptRule -Namespace '.pelk.test' -NameServers '100.64.0.7' -Comment 'pelk'\n"),
            std::string::npos);
  EXPECT_TRUE(input.ends_with("Clear-DnsClientCache\nexit 0\n"));
}

TEST(Connect, ReconnectToANewAddressReplacesInsteadOfAdding) {
  Laptop laptop;
  laptop.linux_with_tools();
  std::string first, second;
  ASSERT_TRUE(laptop.connect(OsKind::Linux, ElevationMethod::Sudo, first)) << first;
  laptop.server.address = "100.64.0.9";
  laptop.runner.clear_calls();
  ASSERT_TRUE(laptop.connect(OsKind::Linux, ElevationMethod::Sudo, second)) << second;

  std::string config = read_text(laptop.home() / ".ssh/config");
  EXPECT_EQ(config.find("100.64.0.7"), std::string::npos);
  EXPECT_EQ(config.find("# >>> pelk >>>"), config.rfind("# >>> pelk >>>"));
  EXPECT_NE(config.find("HostName 100.64.0.9"), std::string::npos);
  auto saved = load_config(laptop.home());
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->address, "100.64.0.9");
  // The share sessions exist now and are left alone; the code session starts
  // afresh for the machine at the new address.
  EXPECT_NE(second.find("  pelk is 100.64.0.9\n"), std::string::npos);
  EXPECT_NE(second.find("==> File sync\n  The code sync starts afresh with pelk (100.64.0.9): it synced with pelk "
                        "(100.64.0.7) until now.\n" +
                        share_lines(laptop.home())),
            std::string::npos)
      << second;
  for (const auto& line : runs(laptop.runner, laptop.home())) {
    if (line.find("sync create") != std::string::npos) {
      EXPECT_NE(line.find("--name pelk-code"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(laptop.server.sessions.size(), 3u);
}

// A code session carries what it last synced with one machine. Connecting
// to another one (another name or address, or a record that cannot tell)
// starts it afresh, without a flush (the alias already points at the new
// machine); connecting with another code folder replaces it after a flush.
TEST(Connect, ReconnectKeepsTheCodeSessionOnlyForTheSameServerAndFolder) {
  const std::string list = "mutagen sync list pelk-code", flush = "mutagen sync flush pelk-code",
                    terminate = "mutagen sync terminate pelk-code", create = "mutagen sync create --name pelk-code";
  struct Case {
    std::string what;
    std::function<void(Laptop&, ConnectRequest&)> arrange;
    std::vector<std::string> code_runs;  // the runs that name pelk-code, cut after the name
    std::string line;                    // printed right after "==> File sync"
  };
  const Case cases[] = {
      {"the same server", [](Laptop&, ConnectRequest&) {}, {list, list}, "  The sync session is up to date.\n"},
      {"a new address", [](Laptop& l, ConnectRequest&) { l.server.address = "100.64.0.9"; },
       {list, list, terminate, list, create},
       "  The code sync starts afresh with pelk (100.64.0.9): it synced with pelk (100.64.0.7) until now.\n"},
      {"the server named by its address", [](Laptop&, ConnectRequest& r) { r.server = "100.64.0.7"; },
       {list, list, terminate, list, create},
       "  The code sync starts afresh with 100.64.0.7 (100.64.0.7): it synced with pelk (100.64.0.7) until now.\n"},
      {"a damaged laptop.json",
       [](Laptop& l, ConnectRequest&) { write_text(state_dir(l.home()) / "laptop.json", "{\"server\": "); },
       {list, list, terminate, list, create},
       "  The code sync starts afresh with pelk (100.64.0.7): ~/.config/pelk/laptop.json does not say which server "
       "it synced with.\n"},
      {"another code folder", [](Laptop& l, ConnectRequest& r) { r.code_dir = l.home() / "Work"; },
       {list, list, flush, terminate, create}, "  The sync session now syncs {home}/Work instead of {home}/Code.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Laptop laptop;
    laptop.linux_with_tools();
    std::string first, second;
    ASSERT_TRUE(laptop.connect(OsKind::Linux, ElevationMethod::Sudo, first)) << first;
    ConnectRequest request = laptop.request();
    c.arrange(laptop, request);
    laptop.runner.clear_calls();
    ASSERT_TRUE(laptop.connect(request, second)) << second;

    std::vector<std::string> code_runs;
    for (const auto& line : laptop.runner.call_lines()) {
      if (auto at = line.find("pelk-code"); at != std::string::npos) code_runs.push_back(line.substr(0, at + 9));
    }
    EXPECT_EQ(code_runs, c.code_runs);
    std::string line = c.line;
    for (size_t at; (at = line.find("{home}")) != std::string::npos;) line.replace(at, 6, laptop.home().string());
    EXPECT_NE(second.find("==> File sync\n" + line), std::string::npos) << second;
    ASSERT_EQ(laptop.server.sessions.count("pelk-code"), 1u);
    EXPECT_EQ(laptop.server.sessions["pelk-code"][0], request.code_dir.string());
    EXPECT_TRUE(second.ends_with(summary(request.code_dir)));
  }
}

// A failed connect keeps what was done before the failure and leaves the
// previous connection record as it was.
TEST(Connect, FailuresEndTheRunWithTheirMessage) {
  struct Case {
    const char* name;
    std::function<void(Laptop&)> arrange;
    std::string message;
    bool ssh_block, certificate;
  };
  const std::string advice =
      "\nThis laptop's SSH key is not on the server yet. Add its public key (for example ~/.ssh/id_ed25519.pub; no key "
      "yet? run ssh-keygen -t ed25519) on your server's page at https://panel.pelk.dev under SSH keys, then rerun.";
  const Case cases[] = {
      {"offline", [](Laptop& l) { l.server.online = false; },
       "pelk is offline on your tailnet; check the server with 'sudo pelk host status'", false, false},
      {"stopped", [](Laptop& l) { l.server.backend_state = "Stopped"; },
       "Tailscale is Stopped; open it and log in with the account your server uses", false, false},
      {"login", [](Laptop& l) { l.server.login_ok = false; },
       "cannot log in as dev@100.64.0.7: dev@100.64.0.7: Permission denied (publickey)." + advice, true, false},
      {"no CA", [](Laptop& l) { l.server.has_certificate = false; },
       "the server has no local CA yet (); check that the environment is running with 'sudo pelk host status' on "
       "the server",
       true, false},
      {"cancelled", [](Laptop& l) { l.elevation_ok = false; },
       "trusting the certificate and setting up DNS failed or was cancelled; see the output above", true, true},
      {"other session",
       [](Laptop& l) {
         l.server.sessions["work"] = {(l.home() / "Code" / "site").string(), "box:/srv/site"};
       },
       (std::string("{home}/Code is already synced by another file sync session ('work'). Syncing it with your pelk "
                    "server too would copy everything between both machines.\nPick a folder of its own with "
                    "--code-dir <folder>, or run again with --force to sync it anyway.")),
       false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Laptop laptop;
    laptop.linux_with_tools();
    write_text(state_dir(laptop.home()) / "laptop.json", "{\"server\":\"old\",\"address\":\"1.2.3.4\",\"code_dir\":\"/c\"}");
    c.arrange(laptop);
    std::string printed;
    auto result = laptop.connect(OsKind::Linux, ElevationMethod::Sudo, printed);
    ASSERT_FALSE(result);
    std::string expected = c.message;
    if (auto at = expected.find("{home}"); at != std::string::npos) expected.replace(at, 6, laptop.home().string());
    EXPECT_EQ(result.error().display(), expected);
    EXPECT_EQ(fs::exists(laptop.home() / ".ssh/config"), c.ssh_block);
    EXPECT_EQ(fs::exists(state_dir(laptop.home()) / "ca.pem"), c.certificate);
    EXPECT_EQ(read_text(state_dir(laptop.home()) / "laptop.json"),
              "{\"server\":\"old\",\"address\":\"1.2.3.4\",\"code_dir\":\"/c\"}");
    EXPECT_EQ(laptop.server.sessions.count("pelk-code"), 0u);
  }
}

// A server that sends more than any certificate is stopped at the bound; what
// it sent is no certificate, and nothing is stored or trusted.
TEST(Connect, ACertificatePastTheOutputBoundIsNoCertificate) {
  struct Row {
    size_t size;
    std::string error;  // empty: connected
  };
  const Row rows[] = {
      {kParsedOutputLimit, ""},
      {kParsedOutputLimit + 1,
       "the server has no local CA yet (its certificate file is over 8 MiB); check that the environment is running "
       "with 'sudo pelk host status' on the server"},
  };
  for (const auto& row : rows) {
    Laptop laptop;
    laptop.linux_with_tools();
    std::string certificate = kTestCertificate;
    certificate.resize(row.size, '\n');
    laptop.runner.on("ssh", {"pelk", "cat .local/share/pelk/ca.cert.pem 2>/dev/null || cat .local/share/lunt/ca.cert.pem"},
                     ok_output(certificate));
    std::string printed;
    auto result = laptop.connect(OsKind::Linux, ElevationMethod::Sudo, printed);
    if (row.error.empty()) {
      ASSERT_TRUE(result) << result.error().display();
      EXPECT_EQ(fs::file_size(state_dir(laptop.home()) / "ca.pem"), row.size);
    } else {
      ASSERT_FALSE(result);
      EXPECT_EQ(result.error().display(), row.error);
      EXPECT_FALSE(fs::exists(state_dir(laptop.home()) / "ca.pem"));
      EXPECT_TRUE(laptop.elevated_scripts.empty());
    }
  }
}

TEST(Connect, ForceSkipsOnlyTheOtherSessionCheck) {
  Laptop laptop;
  laptop.linux_with_tools();
  laptop.server.sessions["work"] = {(laptop.home() / "Code").string(), "box:/srv"};
  auto request = laptop.request();
  request.force = true;
  std::string printed;
  ASSERT_TRUE(laptop.connect(request, printed)) << printed;
  auto lines = runs(laptop.runner, laptop.home());
  EXPECT_EQ(lines.front(), "sh -c command -v tailscale");
  EXPECT_NE(printed.find("Your laptop is connected."), std::string::npos);
}
