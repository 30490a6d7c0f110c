// The command-line companion's subcommands: each is a function of its own,
// listed once in the command table so that --help and dispatch agree.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kerrow::cli {

// Exit statuses shared by every subcommand (documented in the README).
enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 64,  // wrong arguments; the usage line is printed
};

struct CliContext {
  std::string dataPath;  // the catalog directory, ending with a separator
};

struct CliCommand {
  std::string name;     // "list", "export", ...
  std::string usage;    // arguments after the name, for --help
  std::string summary;  // one line
  std::function<int(const CliContext&, std::span<const std::string>)> run;
};

// Every subcommand, in the order --help lists them.
const std::vector<CliCommand>& CommandTable();

// Parses the global options and runs one subcommand; returns the exit status.
// Messages go to `out` and `err`, one line per failure on `err`.
int RunCli(std::span<const std::string> args, const std::string& programDirectory);

}  // namespace kerrow::cli
