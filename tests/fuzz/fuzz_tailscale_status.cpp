// Tailscale's status report as find_server_address reads it. Input: one byte
// that picks the platform and whether the run succeeded, the server name up
// to the first line feed, then the report. Whatever the report holds, the
// lookup gives either a message or an address of digits and dots that is the
// first IPv4 entry of an online peer of the report.
#include <algorithm>

#include "fuzz_check.h"
#include "state/text.h"
#include "tailnet/server_lookup.h"

namespace {

// Answers every run with the report, as the real runner would have decoded it.
class ReportRunner final : public ToolRunner {
 public:
  ReportRunner(std::string report, bool success) : report_(std::move(report)), success_(success) {}
  Result<ToolOutput> run_capture(const std::string&, const std::vector<std::string>&,
                                 const std::optional<std::string>&) override {
    ++runs;
    return ToolOutput{report_, "", success_};
  }
  Result<ToolOutput> run_capture_bounded(const std::string& program, const std::vector<std::string>& args,
                                         const std::optional<std::string>& input, std::size_t) override {
    return run_capture(program, args, input);
  }
  Result<bool> run_discarding_output(const std::string&, const std::vector<std::string>&,
                                     const std::optional<std::string>&) override {
    return false;
  }
  Result<bool> run_interactive(const std::string&, const std::vector<std::string>&) override { return false; }
  std::filesystem::path fs_root() const override { return "/"; }
  std::vector<std::string> lookup_host(const std::string&) override { return {}; }
  int runs = 0;

 private:
  std::string report_;
  bool success_;
};

bool digits_and_dots(std::string_view text) {
  return std::ranges::all_of(text, [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const OsKind os = static_cast<OsKind>(data[0] % 3);
  const bool success = (data[0] & 4) != 0;
  std::string_view rest = fuzz_text(data + 1, size - 1);
  const std::size_t line_end = rest.find('\n');
  if (line_end == std::string_view::npos) return 0;
  const std::string server(rest.substr(0, line_end));
  const std::string report = utf8_lossy(rest.substr(line_end + 1));

  ReportRunner runner(report, success);
  auto address = find_server_address(runner, server, os);
  FUZZ_CHECK(runner.runs == ((os == OsKind::Linux || success) ? 1 : 2));
  auto status = parse_tailscale_status(report);

  if (!success && report.empty()) {
    FUZZ_CHECK(!address && address.error().display() == tailscale_not_installed_message());
    return 0;
  }
  if (!status) {
    FUZZ_CHECK(!address && address.error().display() == "cannot read 'tailscale status': " + status.error());
    return 0;
  }
  FUZZ_CHECK(address.has_value() == server_address_in(*status, server).has_value());
  if (!address) {
    FUZZ_CHECK(address.error().is_message());
    FUZZ_CHECK(!address.error().display().empty());
    return 0;
  }
  FUZZ_CHECK(status->backend_state == "Running");
  FUZZ_CHECK(address->find('.') != std::string::npos);
  FUZZ_CHECK(digits_and_dots(*address));
  bool from_online_peer = false;
  for (const auto& [key, peer] : status->peers) {
    auto first_ipv4 = std::ranges::find_if(peer.tailscale_ips,
                                           [](const std::string& ip) { return ip.find('.') != std::string::npos; });
    if (peer.online && first_ipv4 != peer.tailscale_ips.end() && *first_ipv4 == *address) from_online_peer = true;
  }
  FUZZ_CHECK(from_online_peer);
  return 0;
}
