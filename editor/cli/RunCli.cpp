#include <algorithm>
#include <iostream>

#include "cli/CliCommand.h"
#include "shell/Startup.h"

namespace kerrow::cli {
namespace {

void PrintHelp(std::ostream& out) {
  out << "Usage: kerrow-cli [--data DIR] COMMAND ARGUMENTS...\n"
         "Works on Genesis ROM images through the editor's catalog, without a window.\n"
         "The catalog is read from DIR, or from the program's own directory.\n\n"
         "Commands:\n";
  for (const CliCommand& command : CommandTable())
    out << "  " << command.name << ' ' << command.usage << "\n      " << command.summary << '\n';
}

}  // namespace

int RunCli(std::span<const std::string> args, const std::string& programDirectory) {
  CliContext context;
  context.dataPath = ChooseDataPath("", programDirectory);
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      PrintHelp(std::cout);
      return kExitOk;
    }
    if (args[i] == "--data") {
      if (i + 1 >= args.size()) {
        std::cerr << "kerrow-cli: --data needs a directory\n";
        return kExitUsage;
      }
      context.dataPath = ChooseDataPath("", args[++i]);
      continue;
    }
    break;
  }
  if (i >= args.size()) {
    PrintHelp(std::cerr);
    return kExitUsage;
  }
  const auto& table = CommandTable();
  const auto found = std::find_if(table.begin(), table.end(),
                                  [&](const CliCommand& c) { return c.name == args[i]; });
  if (found == table.end()) {
    std::cerr << "kerrow-cli: unknown command \"" << args[i] << "\" (see --help)\n";
    return kExitUsage;
  }
  return found->run(context, args.subspan(i + 1));
}

}  // namespace kerrow::cli
