#include "filesync/sync_rules.h"

#include <string>

#include "state/file_io.h"
#include "state/server_alias.h"

namespace fs = std::filesystem;

SyncSpec fetch_server_rules(ToolRunner& runner) {
  auto run = runner.run_capture_bounded("ssh", {std::string(kServerAlias), "cat " + std::string(kServerRulesFile)},
                                        std::nullopt, kParsedOutputLimit);
  if (!run || !run->success) return default_sync_spec();
  auto spec = parse_sync_spec(run->std_out);
  if (!spec) return default_sync_spec();
  return *spec;
}

std::optional<SyncSpec> load_laptop_rules(const fs::path& state_folder) {
  auto content = read_file(state_folder / kLaptopRulesFile);
  if (!content) return std::nullopt;
  auto spec = parse_sync_spec(*content);
  if (!spec) return std::nullopt;
  return *spec;
}

Result<void> save_laptop_rules(const fs::path& state_folder, const SyncSpec& spec) {
  PELK_TRY(create_folders(state_folder));
  return write_file_atomically(state_folder / kLaptopRulesFile, sync_spec_text(spec));
}
