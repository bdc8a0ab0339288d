#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <sstream>

#include "cli/process_arguments.h"
#include "connect/sites_zone.h"
#include "state/text.h"

namespace {

constexpr std::string_view kHelpCommandText = "Print this message or the help of the given subcommand(s)";
constexpr std::string_view kNotUnicode = "the value is not valid Unicode";

// Lists subcommands by their name alone, so the hidden alias `shots` stays out
// of every help text while it is still accepted.
class PelkFormatter final : public CLI::Formatter {
 public:
  std::string make_subcommand(const CLI::App* sub) const override {
    std::stringstream out;
    CLI::detail::format_help(out, sub->get_name(), sub->get_description(), column_width_);
    return out.str();
  }
};

// The arguments after the first "--" are positional whatever they look like.
// The parser would hand a dash-led one to the parent command, so each of them
// goes into the parse as a placeholder that reads as a plain value and is
// resolved to its real text afterwards.
class Literals {
 public:
  Literals(const std::vector<std::string>& before, std::vector<std::string> after) : after_(std::move(after)) {
    marker_ = "\x1e";
    auto clashes = [&](const std::vector<std::string>& list) {
      for (const auto& arg : list)
        if (arg.find(marker_) != std::string::npos) return true;
      return false;
    };
    while (clashes(before) || clashes(after_)) marker_ += '\x1e';
  }

  std::string placeholder(size_t index) const { return marker_ + std::to_string(index) + marker_ + "."; }
  size_t size() const { return after_.size(); }

  const std::string& resolve(const std::string& value) const {
    if (!value.starts_with(marker_)) return value;
    size_t index = 0;
    for (size_t at = marker_.size(); at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at)
      index = index * 10 + static_cast<size_t>(value[at] - '0');
    if (index < after_.size() && value == placeholder(index)) return after_[index];
    return value;
  }

  std::string restore_in(std::string text) const {
    for (size_t i = 0; i < after_.size(); ++i) {
      std::string from = placeholder(i);
      for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + after_[i].size())) {
        text.replace(at, from.size(), after_[i]);
      }
    }
    return text;
  }

 private:
  std::vector<std::string> after_;
  std::string marker_;
};

// The whole tree, with the values the parser fills in.
class CommandTree {
 public:
  explicit CommandTree(const Literals& literals) : literals_(literals) {
    formatter_ = std::make_shared<PelkFormatter>();
    root_.formatter(formatter_);
    root_.name("pelk");
    root_.set_help_flag("-h,--help", "Print help");
    root_.add_flag("-V,--version", version_, "Print version information");
    // One command word per level: a word after it is a value of that command,
    // never a sibling command.
    root_.require_subcommand(0, 1);

    version_cmd_ = root_.add_subcommand("version", "Print the pelk version");

    open_ = root_.add_subcommand("open",
                                 "Open a terminal on your server in a project's folder; without a name, list the projects");
    name_opt_ = open_->add_option("NAME", name_, "The project (its folder in ~/Code on the server)")
                    ->type_name("")
                    ->check(unicode_check());

    laptop_ = root_.add_subcommand("laptop", "Connect this laptop to your pelk server");
    laptop_->require_subcommand(1);
    connect_ = laptop_->add_subcommand(
        "connect", "Set up SSH, *." + std::string(kSitesZone) + " DNS, the certificate and file sync for your server");
    connect_->add_option("--server", server_, "The server's name on your tailnet (--hostname at install) or its address")
        ->type_name("SERVER")
        ->capture_default_str()
        ->check(unicode_check());
    code_dir_opt_ = connect_->add_option("--code-dir", code_dir_, "The laptop folder kept in sync with ~/Code on the server")
                        ->type_name("CODE_DIR");
    connect_->add_flag("--force", force_, "Sync the folder even if another file sync session already syncs it");
    sync_ = laptop_->add_subcommand(
        "sync", "Apply the sync rules set on the pelk panel now (excludes, server-only projects, sync on or off)");
    status_ = laptop_->add_subcommand("status", "Check the tailnet, SSH, DNS and file sync");
    disconnect_ = laptop_->add_subcommand("disconnect", "Stop the file sync and remove the DNS and SSH settings");
    uninstall_ = laptop_->add_subcommand(
        "uninstall",
        "Remove pelk from this laptop: disconnect, untrust the certificate and delete the pelk command and its tools; "
        "your files stay");

    share_ = laptop_->add_subcommand("share",
                                     "Share files with the agents on the server (~/pelk-share here, ~/Share there)");
    share_->alias("shots");
    share_->require_subcommand(1);
    share_on_ = share_->add_subcommand(
        "on", "Sync ~/pelk-share to ~/Share on the server and the server's out/ back (the default)");
    share_off_ = share_->add_subcommand("off", "Stop sharing");
    send_ = share_->add_subcommand(
        "send", "Send the files (or the image) on the clipboard, or the files given, and copy their server paths");
    send_->add_option("FILES", files_, "Files to send instead of the clipboard")->type_name("");
    keep_ = share_->add_subcommand(
        "keep", "Keep shared files this many days (0: keep them); files in keep/ are never deleted");
    keep_->add_option("DAYS", days_, "Days, 7 by default")->type_name("")->required()->check(days_check());
    macos_ = share_->add_subcommand("macos", "Make macOS save its own screenshots into ~/pelk-share");

    // Added last so they are listed last.
    add_help_command(&root_);
    add_help_command(laptop_);
    add_help_command(share_);
  }

  ParseOutcome parse(std::vector<std::string> args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
      root_.parse(std::move(reversed));
    } catch (const CLI::CallForHelp&) {
      return ParseExit{0, literals_.restore_in(root_.help()), ""};
    } catch (const CLI::ExtrasError&) {
      return usage_error(deepest_parsed(&root_), unexpected(root_.remaining(true)));
    } catch (const CLI::ParseError& error) {
      return parse_failure(error);
    }
    for (const auto& [command, names] : help_commands_) {
      if (command->parsed()) return help_for(command, *names);
    }
    return Cli{version_, command()};
  }

 private:
  std::function<std::string(const std::string&)> unicode_check() {
    return [this](const std::string& value) {
      return is_valid_utf8(literals_.resolve(value)) ? std::string() : std::string(kNotUnicode);
    };
  }

  std::function<std::string(const std::string&)> days_check() {
    return [this](const std::string& value) {
      const std::string& text = literals_.resolve(value);
      if (parse_plain_decimal_u32(text)) return std::string();
      return utf8_lossy(text) + " is not a decimal number from 0 to 4294967295";
    };
  }

  void add_help_command(CLI::App* parent) {
    auto names = std::make_unique<std::vector<std::string>>();
    CLI::App* help = parent->add_subcommand("help", std::string(kHelpCommandText));
    help->add_option("SUBCOMMAND", *names, "The subcommands whose help to print")->type_name("");
    help_commands_.emplace_back(help, std::move(names));
  }

  // The parser's own words, with the arguments in the order they were typed.
  static std::string unexpected(std::vector<std::string> words) {
    std::reverse(words.begin(), words.end());  // the parser lists them reversed
    return CLI::ExtrasError(std::move(words)).what();
  }

  static std::string path_of(const CLI::App* app) {
    std::string path = app->get_name();
    for (const CLI::App* at = app->get_parent(); at != nullptr; at = at->get_parent()) path = at->get_name() + " " + path;
    return path;
  }

  static const CLI::App* deepest_parsed(const CLI::App* app) {
    for (;;) {
      const auto& chosen = app->get_subcommands();
      if (chosen.empty()) return app;
      app = chosen.front();
    }
  }

  std::string help_text(const CLI::App* app) const {
    return formatter_->make_help(app, path_of(app), CLI::AppFormatMode::Normal);
  }

  ParseExit usage_error(const CLI::App* at, const std::string& message) const {
    std::string text = utf8_lossy(literals_.restore_in(message)) + "\n" + formatter_->make_usage(at, path_of(at)) +
                       "Run with --help for more information.\n";
    return ParseExit{2, "", std::move(text)};
  }

  ParseOutcome parse_failure(const CLI::ParseError& error) const {
    const CLI::App* at = deepest_parsed(&root_);
    if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr && at->get_require_subcommand_min() > 0 &&
        at->get_subcommands().empty()) {
      // A group named without its subcommand: its help, as an error. Words it
      // did not know are reported as such instead.
      std::vector<std::string> left = root_.remaining(true);
      if (left.empty()) return ParseExit{2, "", help_text(at)};
      return usage_error(at, unexpected(left));
    }
    return usage_error(at, error.what());
  }

  ParseOutcome help_for(const CLI::App* help, const std::vector<std::string>& names) const {
    const CLI::App* target = help->get_parent();
    for (const auto& placeholder_or_name : names) {
      const std::string& name = literals_.resolve(placeholder_or_name);
      const CLI::App* found = nullptr;
      for (const CLI::App* sub : target->get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->check_name(name)) {
          found = sub;
          break;
        }
      }
      if (found == nullptr) {
        return usage_error(help, "The subcommand " + name + " was not found in " + path_of(target));
      }
      target = found;
    }
    return ParseExit{0, help_text(target), ""};
  }

  std::optional<CliCommand> command() const {
    if (version_cmd_->parsed()) return cli::Version{};
    if (open_->parsed()) {
      cli::Open open;
      if (name_opt_->count() > 0) open.name = literals_.resolve(name_);
      return open;
    }
    if (laptop_->parsed()) return cli::Laptop{laptop_command()};
    return std::nullopt;
  }

  LaptopCommand laptop_command() const {
    if (connect_->parsed()) {
      cli::Connect connect;
      connect.server = literals_.resolve(server_);
      if (code_dir_opt_->count() > 0) connect.code_dir = argument_path(literals_.resolve(code_dir_));
      connect.force = force_;
      return connect;
    }
    if (sync_->parsed()) return cli::Sync{};
    if (status_->parsed()) return cli::Status{};
    if (disconnect_->parsed()) return cli::Disconnect{};
    if (uninstall_->parsed()) return cli::Uninstall{};
    return cli::Share{share_command()};
  }

  ShareCommand share_command() const {
    if (share_on_->parsed()) return cli::ShareOn{};
    if (share_off_->parsed()) return cli::ShareOff{};
    if (send_->parsed()) {
      cli::Send send;
      for (const auto& file : files_) send.files.push_back(argument_path(literals_.resolve(file)));
      return send;
    }
    if (keep_->parsed()) return cli::Keep{*parse_plain_decimal_u32(literals_.resolve(days_))};
    return cli::Macos{};
  }

  const Literals& literals_;
  std::shared_ptr<PelkFormatter> formatter_;
  CLI::App root_{"pelk for your laptop"};

  bool version_ = false;
  std::string name_;
  std::string server_ = "pelk";
  std::string code_dir_;
  bool force_ = false;
  std::vector<std::string> files_;
  std::string days_;

  CLI::App* version_cmd_ = nullptr;
  CLI::App* open_ = nullptr;
  CLI::Option* name_opt_ = nullptr;
  CLI::App* laptop_ = nullptr;
  CLI::App* connect_ = nullptr;
  CLI::Option* code_dir_opt_ = nullptr;
  CLI::App* sync_ = nullptr;
  CLI::App* status_ = nullptr;
  CLI::App* disconnect_ = nullptr;
  CLI::App* uninstall_ = nullptr;
  CLI::App* share_ = nullptr;
  CLI::App* share_on_ = nullptr;
  CLI::App* share_off_ = nullptr;
  CLI::App* send_ = nullptr;
  CLI::App* keep_ = nullptr;
  CLI::App* macos_ = nullptr;
  std::vector<std::pair<CLI::App*, std::unique_ptr<std::vector<std::string>>>> help_commands_;
};

}  // namespace

ParseOutcome parse_command_line(const std::vector<std::string>& args) {
  std::vector<std::string> before = args;
  std::vector<std::string> after;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--") {
      before.assign(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i));
      after.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
  }
  Literals literals(before, after);
  for (size_t i = 0; i < literals.size(); ++i) before.push_back(literals.placeholder(i));
  CommandTree tree(literals);
  return tree.parse(std::move(before));
}
