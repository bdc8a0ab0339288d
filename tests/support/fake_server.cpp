#include "support/fake_server.h"

namespace {

std::string tailscale_report(const FakeServer& server) {
  return "{\"BackendState\": \"" + server.backend_state +
         "\", \"Self\": {\"HostName\": \"laptop\"}, \"Peer\": {\"nodekey:1\": {\"HostName\": \"pelk\", "
         "\"DNSName\": \"pelk.tail1234.ts.net.\", \"TailscaleIPs\": [\"" +
         server.address + "\", \"fd7a:115c:a1e0::7\"], \"Online\": " + (server.online ? "true" : "false") + "}}}";
}

}  // namespace

std::string mutagen_listing(const std::map<std::string, std::vector<std::string>>& sessions) {
  std::string text;
  for (const auto& [name, endpoints] : sessions) {
    text += "--------------------------------------------------------------------------------\n";
    text += "Name: " + name + "\nIdentifier: sync_x\nLabels: None\n";
    const char* sides[] = {"Alpha", "Beta"};
    for (size_t i = 0; i < endpoints.size() && i < 2; ++i) {
      text += std::string(sides[i]) + ":\n\tURL: " + endpoints[i] + "\n\tConnected: Yes\n";
    }
    text += "Status: Watching for changes\n";
  }
  if (!text.empty()) text += "--------------------------------------------------------------------------------\n";
  return text;
}

void FakeServer::install(FakeRunner& runner) {
  runner.on("tailscale", {"status", "--json"}, [this](const FakeCall&) -> Result<ToolOutput> {
    return ok_output(tailscale_report(*this));
  });
  runner.on("hostname", {}, [this](const FakeCall&) -> Result<ToolOutput> { return ok_output(host_name + "\n"); });
  runner.on_any("ssh", [this](const FakeCall& call) -> Result<ToolOutput> {
    const auto& args = call.args;
    bool login_check = !args.empty() && args.back() == "true";
    if (login_check) return login_ok ? ok_output() : failed_output(login_error + "\n");
    if (!reachable) return failed_output("ssh: connect to host " + address + " port 22: Connection timed out\n");
    const std::string& command = args.back();
    if (command.starts_with("cat .local/share/pelk/ca.cert.pem")) {
      return has_certificate ? ok_output(kTestCertificate) : failed_output("");
    }
    if (command == "cat .config/pelk/sync.json") {
      return sync_rules.empty() ? failed_output("cat: .config/pelk/sync.json: No such file or directory\n")
                                : ok_output(sync_rules);
    }
    return ok_output();
  });
  runner.on_any("mutagen", [this](const FakeCall& call) -> Result<ToolOutput> {
    if (!mutagen_installed) return failed_output("mutagen: not found");
    const auto& a = call.args;
    if (a == std::vector<std::string>{"version"}) return ok_output("0.18.1\n");
    if (a == std::vector<std::string>{"daemon", "stop"}) return ok_output();
    if (a.size() == 2 && a[0] == "sync" && a[1] == "list") return ok_output(mutagen_listing(sessions));
    if (a.size() == 3 && a[0] == "sync" && a[1] == "list") {
      auto found = sessions.find(a[2]);
      if (found == sessions.end()) return failed_output("Error: unable to locate requested sessions\n");
      return ok_output(mutagen_listing({*found}));
    }
    if (a.size() == 3 && a[0] == "sync" && a[1] == "terminate") {
      sessions.erase(a[2]);
      return ok_output();
    }
    if (a.size() == 3 && a[0] == "sync" && a[1] == "flush") {
      if (!sessions.contains(a[2])) return failed_output("Error: unable to locate requested sessions\n");
      return reachable ? ok_output() : failed_output("Error: unable to flush: not connected\n");
    }
    if (a.size() >= 8 && a[0] == "sync" && a[1] == "create") {
      if (!reachable) return failed_output("Error: unable to connect to beta: connection timed out\n");
      if (!create_error.empty()) return failed_output(create_error);
      sessions[a[3]] = {a[a.size() - 2], a[a.size() - 1]};
      return ok_output("Created session sync_x\n");
    }
    return failed_output("unexpected mutagen call\n");
  });
}
