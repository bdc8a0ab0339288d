#include "state/laptop_config.h"

#include "state/file_io.h"
#include "state/json_writer.h"
#include "state/paths.h"
#include "state/text.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kConfigFile = "laptop.json";
}

JsonResult<LaptopConfig> parse_laptop_config(std::string_view text) {
  PELK_TRY_ASSIGN(JsonValue document, parse_json(text));
  PELK_TRY_ASSIGN(JsonFields fields,
                  JsonFields::read(document, {"server", "address", "code_dir"}, "struct LaptopConfig"));
  PELK_TRY_ASSIGN(std::string server, fields.string("server"));
  PELK_TRY_ASSIGN(std::string address, fields.string("address"));
  PELK_TRY_ASSIGN(std::string code_dir, fields.string("code_dir"));
  return LaptopConfig{std::move(server), std::move(address), path_from_utf8(code_dir)};
}

Result<std::string> laptop_config_text(const LaptopConfig& config) {
  auto code_dir = unicode_path_text(config.code_dir);
  if (!code_dir || !is_valid_utf8(config.server) || !is_valid_utf8(config.address)) {
    return fail(CommandError::io("path contains invalid UTF-8 characters"));
  }
  return "{\n  \"server\": " + json_string(config.server) + ",\n  \"address\": " + json_string(config.address) +
         ",\n  \"code_dir\": " + json_string(*code_dir) + "\n}";
}

Result<LaptopConfig> load_config(const fs::path& home) {
  auto content = read_file(state_dir(home) / kConfigFile);
  if (!content) {
    if (is_not_found(content.error())) {
      return fail_message("this laptop is not connected yet; run pelk laptop connect");
    }
    return fail(content.error());
  }
  auto config = parse_laptop_config(*content);
  if (!config) return fail_message("~/.config/pelk/laptop.json is damaged: " + config.error());
  return *config;
}

Result<void> save_config(const fs::path& home, const LaptopConfig& config) {
  PELK_TRY_ASSIGN(std::string text, laptop_config_text(config));
  return write_file_atomically(state_dir(home) / kConfigFile, text);
}
