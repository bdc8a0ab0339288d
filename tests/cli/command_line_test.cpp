#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace {

std::string shown(const std::vector<std::string>& args) {
  std::string line = "pelk";
  for (const auto& arg : args) line += " [" + arg + "]";
  return line;
}

cli::Laptop laptop(LaptopCommand command) { return cli::Laptop{std::move(command)}; }
cli::Laptop share(ShareCommand command) { return cli::Laptop{cli::Share{std::move(command)}}; }

}  // namespace

TEST(CommandLine, ParsesEveryCommandIntoItsValues) {
  struct Row {
    std::vector<std::string> args;
    Cli expected;
  };
  const std::vector<Row> rows = {
      {{}, Cli{false, std::nullopt}},
      {{"-V"}, Cli{true, std::nullopt}},
      {{"--version"}, Cli{true, std::nullopt}},
      {{"version"}, Cli{false, cli::Version{}}},
      // The flag is accepted before a command and decides nothing.
      {{"-V", "laptop", "status"}, Cli{true, laptop(cli::Status{})}},
      {{"open"}, Cli{false, cli::Open{}}},
      {{"open", "my.app"}, Cli{false, cli::Open{"my.app"}}},
      {{"open", "--", "-x"}, Cli{false, cli::Open{"-x"}}},
      {{"open", ""}, Cli{false, cli::Open{""}}},
      {{"open", "caf\xc3\xa9"}, Cli{false, cli::Open{"caf\xc3\xa9"}}},
      // A command word in a value's place is the value.
      {{"open", "laptop"}, Cli{false, cli::Open{"laptop"}}},
      {{"laptop", "connect"}, Cli{false, laptop(cli::Connect{"pelk", std::nullopt, false})}},
      {{"laptop", "connect", "--server", "my-box", "--code-dir", "../x", "--force"},
       Cli{false, laptop(cli::Connect{"my-box", "../x", true})}},
      {{"laptop", "connect", "--server=my-box", "--code-dir=/tmp/\xff\xfe"},
       Cli{false, laptop(cli::Connect{"my-box", "/tmp/\xff\xfe", false})}},
      {{"laptop", "sync"}, Cli{false, laptop(cli::Sync{})}},
      {{"laptop", "status"}, Cli{false, laptop(cli::Status{})}},
      {{"laptop", "disconnect"}, Cli{false, laptop(cli::Disconnect{})}},
      {{"laptop", "uninstall"}, Cli{false, laptop(cli::Uninstall{})}},
      {{"laptop", "share", "on"}, Cli{false, share(cli::ShareOn{})}},
      {{"laptop", "share", "off"}, Cli{false, share(cli::ShareOff{})}},
      {{"laptop", "shots", "off"}, Cli{false, share(cli::ShareOff{})}},
      {{"laptop", "share", "send"}, Cli{false, share(cli::Send{})}},
      {{"laptop", "share", "send", "a", "on"}, Cli{false, share(cli::Send{{"a", "on"}})}},
      {{"laptop", "share", "send", "a", "--", "-d", "--", "--help"},
       Cli{false, share(cli::Send{{"a", "-d", "--", "--help"}})}},
      {{"laptop", "share", "send", "\xff.png"}, Cli{false, share(cli::Send{{"\xff.png"}})}},
      {{"laptop", "share", "keep", "0"}, Cli{false, share(cli::Keep{0})}},
      {{"laptop", "share", "keep", "4294967295"}, Cli{false, share(cli::Keep{4294967295u})}},
      // Plain decimal: a leading zero does not make it octal.
      {{"laptop", "share", "keep", "010"}, Cli{false, share(cli::Keep{10})}},
      {{"laptop", "share", "keep", "--", "5"}, Cli{false, share(cli::Keep{5})}},
      {{"laptop", "share", "macos"}, Cli{false, share(cli::Macos{})}},
  };
  for (const auto& row : rows) {
    ParseOutcome outcome = parse_command_line(row.args);
    const Cli* cli = std::get_if<Cli>(&outcome);
    ASSERT_NE(cli, nullptr) << shown(row.args) << "\n" << std::get<ParseExit>(outcome).std_err;
    EXPECT_EQ(*cli, row.expected) << shown(row.args);
  }
}

TEST(CommandLine, RejectsBadInputWithMessageUsageAndHint) {
  struct Row {
    std::vector<std::string> args;
    std::string message;  // the first line
    std::string usage;    // the second line
  };
  const std::vector<Row> rows = {
      {{"bogus"}, "The following argument was not expected: bogus", "Usage: pelk [OPTIONS] [SUBCOMMAND]"},
      {{"laptop", "bogus"}, "The following argument was not expected: bogus", "Usage: pelk laptop [OPTIONS] SUBCOMMAND"},
      {{"laptop", "-V"}, "The following argument was not expected: -V", "Usage: pelk laptop [OPTIONS] SUBCOMMAND"},
      {{"laptop", "status", "--version"}, "The following argument was not expected: --version",
       "Usage: pelk laptop status [OPTIONS]"},
      {{"laptop", "status", "--", "x"}, "The following argument was not expected: x",
       "Usage: pelk laptop status [OPTIONS]"},
      {{"open", "a", "b"}, "The following argument was not expected: b", "Usage: pelk open [OPTIONS] [NAME]"},
      {{"open", "\xff"}, "NAME: the value is not valid Unicode", "Usage: pelk open [OPTIONS] [NAME]"},
      {{"laptop", "connect", "--server", "a\xc3"}, "--server: the value is not valid Unicode",
       "Usage: pelk laptop connect [OPTIONS]"},
      {{"laptop", "status", "--server", "x"}, "The following arguments were not expected: --server x",
       "Usage: pelk laptop status [OPTIONS]"},
      {{"laptop", "share", "keep"}, "DAYS is required", "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"laptop", "share", "keep", "4294967296"}, "DAYS: 4294967296 is not a decimal number from 0 to 4294967295",
       "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"laptop", "share", "keep", "-1"}, "DAYS: -1 is not a decimal number from 0 to 4294967295",
       "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"laptop", "share", "keep", "0x10"}, "DAYS: 0x10 is not a decimal number from 0 to 4294967295",
       "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"laptop", "share", "keep", "+5"}, "DAYS: +5 is not a decimal number from 0 to 4294967295",
       "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"laptop", "share", "keep", ""}, "DAYS:  is not a decimal number from 0 to 4294967295",
       "Usage: pelk laptop share keep [OPTIONS] DAYS"},
      {{"help", "nope"}, "The subcommand nope was not found in pelk", "Usage: pelk help [OPTIONS] [SUBCOMMAND...]"},
  };
  for (const auto& row : rows) {
    ParseOutcome outcome = parse_command_line(row.args);
    const ParseExit* exit = std::get_if<ParseExit>(&outcome);
    ASSERT_NE(exit, nullptr) << shown(row.args);
    EXPECT_EQ(exit->status, 2) << shown(row.args);
    EXPECT_EQ(exit->std_out, "") << shown(row.args);
    EXPECT_EQ(exit->std_err, row.message + "\n" + row.usage + "\nRun with --help for more information.\n")
        << shown(row.args);
  }
}

TEST(CommandLine, HelpGoesToStandardOutputAndAGroupWithoutSubcommandToStandardError) {
  struct Row {
    std::vector<std::string> args;
    int status;
    bool on_stdout;
    std::string first_lines;
  };
  const std::string laptop_help = "Connect this laptop to your pelk server\nUsage: pelk laptop [OPTIONS] SUBCOMMAND\n";
  const std::string share_help =
      "Share files with the agents on the server (~/pelk-share here, ~/Share there)\n"
      "Usage: pelk laptop share [OPTIONS] SUBCOMMAND\n";
  const std::vector<Row> rows = {
      {{"--help"}, 0, true, "pelk for your laptop\nUsage: pelk [OPTIONS] [SUBCOMMAND]\n"},
      {{"help"}, 0, true, "pelk for your laptop\nUsage: pelk [OPTIONS] [SUBCOMMAND]\n"},
      {{"laptop", "-h"}, 0, true, laptop_help},
      {{"help", "laptop"}, 0, true, laptop_help},
      {{"laptop", "help"}, 0, true, laptop_help},
      {{"laptop"}, 2, false, laptop_help},
      {{"laptop", "share"}, 2, false, share_help},
      {{"laptop", "shots"}, 2, false, share_help},
      {{"laptop", "shots", "--help"}, 0, true, share_help},
      {{"help", "laptop", "shots"}, 0, true, share_help},
      {{"laptop", "share", "help"}, 0, true, share_help},
      {{"laptop", "help", "share", "keep"}, 0, true,
       "Keep shared files this many days (0: keep them); files in keep/ are never deleted\n"
       "Usage: pelk laptop share keep [OPTIONS] DAYS\n"},
      // Help is asked before the missing DAYS is noticed.
      {{"laptop", "share", "keep", "--help"}, 0, true,
       "Keep shared files this many days (0: keep them); files in keep/ are never deleted\n"
       "Usage: pelk laptop share keep [OPTIONS] DAYS\n"},
      {{"laptop", "connect", "--help"}, 0, true,
       "Set up SSH, *.pelk.test DNS, the certificate and file sync for your server\n"
       "Usage: pelk laptop connect [OPTIONS]\n"},
  };
  for (const auto& row : rows) {
    ParseOutcome outcome = parse_command_line(row.args);
    const ParseExit* exit = std::get_if<ParseExit>(&outcome);
    ASSERT_NE(exit, nullptr) << shown(row.args);
    EXPECT_EQ(exit->status, row.status) << shown(row.args);
    const std::string& text = row.on_stdout ? exit->std_out : exit->std_err;
    const std::string& other = row.on_stdout ? exit->std_err : exit->std_out;
    EXPECT_EQ(text.substr(0, row.first_lines.size()), row.first_lines) << shown(row.args);
    EXPECT_EQ(other, "") << shown(row.args);
    EXPECT_EQ(text.find(" shots"), std::string::npos) << shown(row.args);  // "screenshots" is fine
  }
}

TEST(CommandLine, HelpListsCommandsInOrderWithTheirTexts) {
  auto root = std::get<ParseExit>(parse_command_line({"--help"})).std_out;
  auto connect = std::get<ParseExit>(parse_command_line({"laptop", "connect", "--help"})).std_out;
  auto share = std::get<ParseExit>(parse_command_line({"laptop", "share", "--help"})).std_out;
  auto in_order = [](const std::string& text, const std::vector<std::string>& parts) {
    size_t at = 0;
    for (const auto& part : parts) {
      at = text.find(part, at);
      if (at == std::string::npos) return testing::AssertionFailure() << "missing or out of order: " << part;
    }
    return testing::AssertionSuccess();
  };
  EXPECT_TRUE(in_order(root, {"-h,--help", "Print help", "-V,--version", "Print version information",
                              "  version ", "Print the pelk version", "  open ",
                              "Open a terminal on your server in a project's folder; without a name, list the projects",
                              "  laptop ", "Connect this laptop to your pelk server", "  help ",
                              "Print this message or the help of the given subcommand(s)"}));
  EXPECT_TRUE(in_order(connect, {"--server SERVER=pelk",
                                 "The server's name on your tailnet (--hostname at install) or its address",
                                 "--code-dir CODE_DIR", "The laptop folder kept in sync with ~/Code on the server",
                                 "--force", "Sync the folder even if another file sync session already syncs it"}));
  EXPECT_EQ(connect.find("-V"), std::string::npos);
  EXPECT_TRUE(in_order(share, {"  on ", "  off ", "Stop sharing", "  send ", "  keep ", "  macos ",
                               "Make macOS save its own screenshots into ~/pelk-share", "  help "}));
}
