#include "filesync/sync_spec.h"

#include <algorithm>

#include "state/command_error.h"
#include "state/json_writer.h"
#include "state/text.h"

namespace {

[[nodiscard]] JsonResult<std::vector<std::string>> optional_list(const JsonFields& fields, std::string_view name) {
  const JsonValue* value = fields.find(name);
  if (value == nullptr) return std::vector<std::string>{};
  return json_as_string_list(*value);
}

void write_list(std::string& text, std::string_view name, const std::vector<std::string>& items) {
  text += "  " + json_string(name) + ": ";
  if (items.empty()) {
    text += "[]";
    return;
  }
  text += "[\n";
  for (std::size_t i = 0; i < items.size(); ++i) {
    // The reader only ever gives valid UTF-8; anything else is made valid
    // rather than written as a record that cannot be read back.
    text += "    " + json_string(utf8_lossy(items[i]));
    text += i + 1 < items.size() ? ",\n" : "\n";
  }
  text += "  ]";
}

}  // namespace

const std::vector<std::string>& default_ignore_patterns() {
  static const std::vector<std::string> patterns = {
      "node_modules",      "vendor",         ".DS_Store",
      "._*",               "target",         ".phpunit.cache",
      "public/build",      "public/hot",     "storage/framework",
      "storage/logs",      "**/bin/Debug",   "**/bin/Release",
      "obj",               ".gradle",        ".pelk-compiled",
      ".dart_tool",        ".flutter-plugins", ".flutter-plugins-dependencies",
      "Generated.xcconfig", "flutter_export_environment.sh", "local.properties",
      "**/flutter/ephemeral", "**/ios/Pods",  "**/macos/Pods",
  };
  return patterns;
}

SyncSpec default_sync_spec() { return SyncSpec{0, true, default_ignore_patterns(), {}, {}}; }

JsonResult<SyncSpec> parse_sync_spec(std::string_view text) {
  PELK_TRY_ASSIGN(JsonValue document, parse_json(text));
  PELK_TRY_ASSIGN(JsonFields fields,
                  JsonFields::read(document, {"version", "enabled", "ignores", "server_only", "projects"},
                                   "struct SyncSpec"));
  PELK_TRY_ASSIGN(std::uint64_t version, fields.unsigned64("version"));
  PELK_TRY_ASSIGN(bool enabled, fields.boolean("enabled"));
  PELK_TRY_ASSIGN(std::vector<std::string> ignores, fields.string_list("ignores"));
  PELK_TRY_ASSIGN(std::vector<std::string> server_only, optional_list(fields, "server_only"));
  PELK_TRY_ASSIGN(std::vector<std::string> projects, optional_list(fields, "projects"));
  return SyncSpec{version, enabled, std::move(ignores), std::move(server_only), std::move(projects)};
}

std::string sync_spec_text(const SyncSpec& spec) {
  std::string text = "{\n";
  text += "  \"version\": " + std::to_string(spec.version) + ",\n";
  text += std::string("  \"enabled\": ") + (spec.enabled ? "true" : "false") + ",\n";
  write_list(text, "ignores", spec.ignores);
  text += ",\n";
  write_list(text, "server_only", spec.server_only);
  text += ",\n";
  write_list(text, "projects", spec.projects);
  text += "\n}";
  return text;
}

bool valid_project_name(std::string_view name) {
  if (name.empty() || name.front() == '.') return false;
  return std::ranges::all_of(name, is_plain_name_character);
}

std::vector<std::string> ignore_patterns(const SyncSpec& spec) {
  std::vector<std::string> patterns = spec.ignores;
  for (const auto& name : spec.server_only) {
    if (valid_project_name(name)) patterns.push_back("/" + name);
  }
  return patterns;
}
