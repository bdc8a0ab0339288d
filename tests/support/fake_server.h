// A laptop's view of a healthy pelk server, scripted on a FakeRunner: the
// Tailscale report, ssh to the alias, and a Mutagen that keeps its sessions,
// so whole commands can run (and run twice) against it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/fake_runner.h"

inline constexpr const char* kTestCertificate =
    "-----BEGIN CERTIFICATE-----\nMIIBtest\n-----END CERTIFICATE-----\n";

struct FakeServer {
  // What the tailnet reports about the server.
  std::string address = "100.64.0.7";
  bool online = true;
  std::string backend_state = "Running";
  // What ssh finds.
  bool login_ok = true;
  std::string login_error = "dev@100.64.0.7: Permission denied (publickey).";
  bool has_certificate = true;
  std::string sync_rules;  // the server's .config/pelk/sync.json; empty: no such file
  bool reachable = true;   // false: every ssh command but the login check fails
  // Mutagen on the laptop: installed, and the sessions it keeps (name -> endpoints).
  bool mutagen_installed = true;
  std::map<std::string, std::vector<std::string>> sessions;
  std::string create_error;  // when set, every session create fails with it
  std::string host_name = "Work-Laptop.local";

  // Scripts tailscale, ssh, mutagen and hostname on the runner.
  void install(FakeRunner& runner);
};

// The "mutagen sync list" block of one session, as Mutagen prints it.
std::string mutagen_listing(const std::map<std::string, std::vector<std::string>>& sessions);
