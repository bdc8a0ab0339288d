#include "connect/setup_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "connect/dns_route.h"
#include "connect/system_trust.h"
#include "support/fake_laptop.h"
#include "support/temp_folder.h"
#include "tools/real_runner.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCert = "/home/ann/.config/pelk/ca.pem";
const std::string kAddress = "100.64.0.7";

// A Linux laptop root; `tools` are the programs has_command finds.
// The fake laptop with systemd-resolved running or not, and the tools found.
struct Laptop : FakeLaptop {
  Laptop(bool resolved_running, std::initializer_list<const char*> tools) {
    if (resolved_running) fs::create_directories(root / "run/systemd/resolve");
    write_text(root / "etc/resolv.conf", "nameserver 127.0.0.53\n");
    for (const char* tool : tools) runner.on("sh", {"-c", std::string("command -v ") + tool}, ok_output("/usr/bin/t\n"));
  }
};

std::string route(OsKind os) {
  FakeRunner runner;
  std::ostringstream ignored;
  return **dns_route_command(os, kAddress, runner, ignored);
}

std::string packages() {
  FakeRunner runner;
  return *linux_packages_command(runner, OsKind::Linux);
}

}  // namespace

TEST(SetupScript, PiecesPerPlatform) {
  struct Case {
    const char* name;
    OsKind os;
    bool resolved_running;
    std::initializer_list<const char*> tools;
    bool in_login_keychain;
    std::string script;
    bool warned;
  };
  const std::string mac_trust = system_trust_command(OsKind::MacOs, kCert);
  const std::string linux_trust = system_trust_command(OsKind::Linux, kCert);
  Laptop reference(true, {});
  std::ostringstream quiet;
  const std::string linux_route = **dns_route_command(OsKind::Linux, kAddress, reference.runner, quiet);
  const Case cases[] = {
      {"macOS with sudo", OsKind::MacOs, false, {}, false, mac_trust + " && " + route(OsKind::MacOs), false},
      {"macOS with the login keychain", OsKind::MacOs, false, {}, true, route(OsKind::MacOs), false},
      {"Linux with every tool", OsKind::Linux, true, {"wl-paste", "wl-copy", "xclip", "certutil"}, false,
       linux_trust + " && " + linux_route, false},
      {"Linux missing only certutil", OsKind::Linux, true, {"wl-paste", "wl-copy", "xclip"}, false,
       packages() + " && " + linux_trust + " && " + linux_route, false},
      {"Linux without systemd-resolved", OsKind::Linux, false, {}, false, packages() + " && " + linux_trust, true},
      {"Windows", OsKind::Windows, false, {}, false,
       system_trust_command(OsKind::Windows, kCert) + "\n" + route(OsKind::Windows), false},
  };
  for (const auto& c : cases) {
    Laptop laptop(c.resolved_running, c.tools);
    std::ostringstream out;
    auto script = setup_script(laptop.runner, c.os, kCert, kAddress, c.in_login_keychain, out);
    ASSERT_TRUE(script) << c.name;
    EXPECT_EQ(*script, c.script) << c.name;
    EXPECT_EQ(out.str().starts_with("  WARNING: systemd-resolved is not running"), c.warned) << c.name << out.str();
  }
}

TEST(SetupScript, WarningThatCannotBeWrittenIsTheError) {
  Laptop laptop(false, {});
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  auto script = setup_script(laptop.runner, OsKind::Linux, kCert, kAddress, false, out);
  ASSERT_FALSE(script);
  EXPECT_TRUE(script.error().is_io());
}

// Every shell script the system builds is read by a real sh without a syntax
// fault, also with a certificate path made to break naive quoting.
TEST(SetupScript, ShellScriptsParse) {
  const fs::path awkward = "/home/o'neil/\"$(touch x)\" `id`;\n{ }/ca.pem";
  Laptop laptop(true, {});
  std::ostringstream out;
  auto linux_script = setup_script(laptop.runner, OsKind::Linux, awkward, kAddress, false, out);
  auto mac_script = setup_script(laptop.runner, OsKind::MacOs, awkward, kAddress, false, out);
  ASSERT_TRUE(linux_script && mac_script);
  TempFolder home;
  write_text(home / "ca.pem", "pem");
  const std::string scripts[] = {*linux_script, *mac_script,
                                 dns_removal_command(OsKind::Linux), dns_removal_command(OsKind::MacOs),
                                 system_trust_removal_command(OsKind::Linux, awkward),
                                 system_trust_removal_command(OsKind::MacOs, home / "ca.pem")};
  RealRunner sh;
  for (const auto& script : scripts) {
    auto parsed = sh.run_capture("sh", {"-n", "-c", script}, std::nullopt);
    ASSERT_TRUE(parsed);
    EXPECT_TRUE(parsed->success) << script << "\n" << parsed->std_err;
  }
}

TEST(LinuxPackages, ProbesInOrderAndInstallsTheWholeGroup) {
  const std::string command =
      "(if command -v apt-get >/dev/null; then apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y "
      "-qq wl-clipboard xclip libnss3-tools; elif command -v dnf >/dev/null; then dnf install -y -q wl-clipboard xclip "
      "nss-tools; elif command -v zypper >/dev/null; then zypper --non-interactive install wl-clipboard xclip "
      "mozilla-nss-tools; elif command -v pacman >/dev/null; then pacman -S --needed --noconfirm wl-clipboard xclip "
      "nss; fi) || true";
  auto runner_with = [](std::initializer_list<const char*> present) {
    auto runner = std::make_unique<FakeRunner>();
    for (const char* tool : present) runner->on("sh", {"-c", std::string("command -v ") + tool}, ok_output("/usr/bin/x\n"));
    return runner;
  };
  auto all = runner_with({"wl-paste", "wl-copy", "xclip", "certutil"});
  EXPECT_EQ(linux_packages_command(*all, OsKind::Linux), std::nullopt);
  EXPECT_EQ(all->calls().size(), 4u);

  auto no_certutil = runner_with({"wl-paste", "wl-copy", "xclip"});
  EXPECT_EQ(linux_packages_command(*no_certutil, OsKind::Linux), command);
  EXPECT_EQ(no_certutil->calls().size(), 4u);

  auto nothing = runner_with({});
  EXPECT_EQ(linux_packages_command(*nothing, OsKind::Linux), command);
  EXPECT_EQ(nothing->call_lines(), std::vector<std::string>{"sh -c command -v wl-paste"});

  for (OsKind os : {OsKind::MacOs, OsKind::Windows}) {
    auto none = runner_with({});
    EXPECT_EQ(linux_packages_command(*none, os), std::nullopt);
    EXPECT_TRUE(none->calls().empty());
  }
}
