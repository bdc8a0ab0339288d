// A fake Mutagen that remembers its sessions, over the scripted runner, so a
// test can run setup twice and see what the second run leaves alone.
#pragma once

#include <set>
#include <string>

#include "support/fake_runner.h"

struct FakeMutagen {
  std::set<std::string> sessions;
  std::string create_error;  // when set, every create fails with it

  void install(FakeRunner& runner) {
    runner.on_any("mutagen", [this](const FakeCall& call) -> Result<ToolOutput> {
      const auto& a = call.args;
      if (a.size() == 1 && a[0] == "version") return ok_output("0.18.1\n");
      if (a.size() == 3 && a[0] == "sync" && a[1] == "list") {
        if (sessions.contains(a[2])) return ok_output("Name: " + a[2] + "\n");
        return failed_output("Error: unable to locate requested sessions\n");
      }
      if (a.size() == 3 && a[0] == "sync" && a[1] == "terminate") {
        sessions.erase(a[2]);
        return ok_output();
      }
      if (a.size() >= 4 && a[0] == "sync" && a[1] == "create" && a[2] == "--name") {
        if (!create_error.empty()) return failed_output(create_error);
        sessions.insert(a[3]);
        return ok_output("Created session\n");
      }
      if (a.size() == 3 && a[0] == "sync" && a[1] == "flush") {
        if (sessions.contains(a[2])) return ok_output();
        return failed_output("Error: unable to locate requested sessions\n");
      }
      return failed_output("unexpected mutagen call");
    });
  }
};
