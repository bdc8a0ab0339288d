#include "connect/resolved_routes.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "connect/dns_route.h"
#include "state/file_io.h"
#include "state/text.h"

namespace {

bool same_domain(std::string_view a, std::string_view b) {
  if (a.ends_with('.')) a.remove_suffix(1);
  return equals_ignoring_ascii_case(a, b);
}

constexpr std::string_view kMainConfig = "/etc/systemd/resolved.conf";
// systemd's drop-in folders, the first one winning for a file name found in
// several of them.
constexpr std::string_view kDropInFolders[] = {
    "/etc/systemd/resolved.conf.d",
    "/run/systemd/resolved.conf.d",
    "/usr/local/lib/systemd/resolved.conf.d",
    "/usr/lib/systemd/resolved.conf.d",
};

// Each file's DNS= assignments in the [Resolve] section, in order: a value
// adds servers, an empty one clears those set so far.
std::vector<bool> dns_assignments(std::string_view config) {
  std::vector<bool> assignments;
  bool in_resolve = false;
  for (std::string_view raw : split_lines(config)) {
    std::string_view line = trim(raw);
    if (line.empty() || line.starts_with('#') || line.starts_with(';')) continue;
    if (line.starts_with('[')) {
      in_resolve = line == "[Resolve]";
      continue;
    }
    auto equals = line.find('=');
    if (!in_resolve || equals == std::string_view::npos || trim(line.substr(0, equals)) != "DNS") continue;
    assignments.push_back(!trim(line.substr(equals + 1)).empty());
  }
  return assignments;
}

}  // namespace

LinkRoutes link_routes(std::string_view resolvectl_domain, std::string_view zone) {
  // Lines read "Link 3 (tailscale0): ~pelk.test example.ts.net"; the global
  // scope's line starts with "Global:".
  LinkRoutes routes;
  for (std::string_view line : split_lines(resolvectl_domain)) {
    line = trim(line);
    if (!line.starts_with("Link ")) continue;
    auto open = line.find('(');
    auto close = line.find("):");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) continue;
    std::string link(line.substr(open + 1, close - open - 1));
    bool routes_zone = false;
    bool catch_all = false;
    for (std::string_view domain : split_words(line.substr(close + 2))) {
      if (domain == "~.") catch_all = true;
      if (domain.starts_with('~')) domain.remove_prefix(1);
      if (same_domain(domain, zone)) routes_zone = true;
    }
    if (routes_zone) routes.zone_links.push_back(link);
    if (catch_all) routes.catch_all_links.push_back(link);
  }
  return routes;
}

LinkRoutes ask_link_routes(ToolRunner& runner, std::string_view zone) {
  auto output = run_capture(runner, "resolvectl", {"domain"});
  if (!output || !output->success) return {};
  return link_routes(output->std_out, zone);
}

std::vector<std::string> files_setting_global_dns(ToolRunner& runner) {
  const std::string own_name = std::filesystem::path(kLinuxResolvedDropIn).filename().string();
  std::map<std::string, std::string> drop_ins;  // file name -> absolute path, read in name order
  for (std::string_view folder : kDropInFolders) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(runner.system_path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
      std::string name = it->path().filename().string();
      // Connect's own drop-in is the route itself; one of that name elsewhere
      // is hidden by it while connected.
      if (!name.ends_with(".conf") || name == own_name) continue;
      drop_ins.try_emplace(name, std::string(folder) + "/" + name);
    }
  }
  std::vector<std::string> files{std::string(kMainConfig)};
  for (const auto& [name, path] : drop_ins) files.push_back(path);

  std::vector<std::string> setting;
  for (const std::string& file : files) {
    auto text = read_file(runner.system_path(file));
    if (!text) continue;
    for (bool adds : dns_assignments(*text)) {
      if (!adds) {
        setting.clear();
      } else if (std::ranges::find(setting, file) == setting.end()) {
        setting.push_back(file);
      }
    }
  }
  return setting;
}
