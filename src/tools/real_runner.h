// The runner that starts real programs on this machine.
#pragma once

#include "tools/tool_runner.h"

class RealRunner final : public ToolRunner {
 public:
  RealRunner();
  [[nodiscard]] Result<ToolOutput> run_capture(const std::string& program, const std::vector<std::string>& args,
                                 const std::optional<std::string>& input) override;
  [[nodiscard]] Result<ToolOutput> run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                         const std::optional<std::string>& input, std::size_t limit) override;
  [[nodiscard]] Result<bool> run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                     const std::optional<std::string>& input) override;
  [[nodiscard]] Result<bool> run_interactive(const std::string& program, const std::vector<std::string>& args) override;
  std::filesystem::path fs_root() const override { return "/"; }
  std::vector<std::string> lookup_host(const std::string& name) override;
};
