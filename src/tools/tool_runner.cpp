#include "tools/tool_runner.h"

std::filesystem::path ToolRunner::system_path(std::string_view absolute) const {
  while (!absolute.empty() && absolute.front() == '/') absolute.remove_prefix(1);
  return fs_root() / std::filesystem::path(std::string(absolute));
}

bool has_command(ToolRunner& runner, std::string_view name) {
  auto result = runner.run_capture("sh", {"-c", "command -v " + std::string(name)}, std::nullopt);
  return result && result->success;
}
