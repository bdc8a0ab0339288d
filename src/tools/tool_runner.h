// The one gate through which laptop commands start outside programs, resolve
// host names and reach system files. Commands depend on this interface only;
// the real runner lives in real_runner_*.cpp, the scripted fake in tests/support.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/command_error.h"

struct ToolOutput {
  std::string std_out;  // decoded as UTF-8, invalid sequences as U+FFFD
  std::string std_err;
  bool success = false;  // exit status 0
  bool over_limit = false;  // a bounded run stopped the child: an output passed its limit
};

// The bound for a program's output that pelk parses (the server's rules, its
// certificate): generous for any real file, and short of running out of memory
// on a server that sends without end.
inline constexpr std::size_t kParsedOutputLimit = std::size_t(8) << 20;

class ToolRunner {
 public:
  virtual ~ToolRunner() = default;

  // Runs `program` with `args` (no shell), both outputs captured. Standard
  // input is `input` when given, else the null device. A program that does not
  // exist gives a failed run whose std_err is "<program>: not found"; any other
  // start failure is an I/O error.
  [[nodiscard]] virtual Result<ToolOutput> run_capture(const std::string& program,
                                         const std::vector<std::string>& args,
                                         const std::optional<std::string>& input) = 0;

  // run_capture with both outputs bounded: once either passes `limit` bytes
  // the child is killed, and the run is a failed one with `over_limit` set and
  // the outputs cut at the limit.
  [[nodiscard]] virtual Result<ToolOutput> run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                                 const std::optional<std::string>& input, std::size_t limit) = 0;

  // Runs a program with both outputs on the null device, for a program whose
  // output nobody reads: a clipboard writer such as xclip leaves a child
  // behind that serves the selection with the outputs it inherited, and a
  // captured run would wait for that child. True when the program exited with
  // status 0; a missing program is false; any other start failure is an I/O error.
  [[nodiscard]] virtual Result<bool> run_discarding_output(const std::string& program, const std::vector<std::string>& args,
                                             const std::optional<std::string>& input) = 0;

  // Runs a program on the user's console; true when it exited with status 0.
  // Every start failure, a missing program included, is an I/O error.
  [[nodiscard]] virtual Result<bool> run_interactive(const std::string& program,
                                       const std::vector<std::string>& args) = 0;

  // The folder under which system paths such as /etc/resolv.conf lie: "/".
  virtual std::filesystem::path fs_root() const = 0;

  // All addresses of a host name, in resolver order; empty when it does not resolve.
  virtual std::vector<std::string> lookup_host(const std::string& name) = 0;

  // `fs_root` joined with `absolute` after its leading slashes.
  std::filesystem::path system_path(std::string_view absolute) const;
};

// Whether the shell finds a program of that name ("sh -c 'command -v NAME'").
bool has_command(ToolRunner& runner, std::string_view name);

// Runs a program without input and gives its result, for the common case.
[[nodiscard]] inline Result<ToolOutput> run_capture(ToolRunner& runner, const std::string& program,
                                      const std::vector<std::string>& args) {
  return runner.run_capture(program, args, std::nullopt);
}
