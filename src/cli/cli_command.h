// The parsed command line as plain values, so a parse can be checked without
// running anything.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace cli {

struct Version {
  bool operator==(const Version&) const = default;
};
struct Open {
  std::optional<std::string> name;
  bool operator==(const Open&) const = default;
};

struct Connect {
  std::string server = "pelk";
  std::optional<std::filesystem::path> code_dir;  // exactly as given
  bool force = false;
  bool operator==(const Connect&) const = default;
};
struct Sync {
  bool operator==(const Sync&) const = default;
};
struct Status {
  bool operator==(const Status&) const = default;
};
struct Disconnect {
  bool operator==(const Disconnect&) const = default;
};
struct Uninstall {
  bool operator==(const Uninstall&) const = default;
};

struct ShareOn {
  bool operator==(const ShareOn&) const = default;
};
struct ShareOff {
  bool operator==(const ShareOff&) const = default;
};
struct Send {
  std::vector<std::filesystem::path> files;  // empty: the clipboard
  bool operator==(const Send&) const = default;
};
struct Keep {
  std::uint32_t days = 0;
  bool operator==(const Keep&) const = default;
};
struct Macos {
  bool operator==(const Macos&) const = default;
};

}  // namespace cli

using ShareCommand = std::variant<cli::ShareOn, cli::ShareOff, cli::Send, cli::Keep, cli::Macos>;

namespace cli {
struct Share {
  ShareCommand command;
  bool operator==(const Share&) const = default;
};
}  // namespace cli

using LaptopCommand =
    std::variant<cli::Connect, cli::Sync, cli::Status, cli::Disconnect, cli::Uninstall, cli::Share>;

namespace cli {
struct Laptop {
  LaptopCommand command;
  bool operator==(const Laptop&) const = default;
};
}  // namespace cli

using CliCommand = std::variant<cli::Version, cli::Open, cli::Laptop>;

struct Cli {
  bool version = false;               // -V / --version; decides nothing
  std::optional<CliCommand> command;  // absent: no command word
  bool operator==(const Cli&) const = default;
};
