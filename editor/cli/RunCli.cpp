#include <algorithm>
#include <exception>
#include <iostream>
#include <new>

#include "bridge/TempFiles.h"
#include "cli/CliCommand.h"
#include "shell/DataFolder.h"
#include "shell/Failure.h"
#include "shell/Version.h"

namespace kerrow::cli {
namespace {

void PrintHelp(std::ostream& out) {
  out << "Usage: kerrow-cli [--data DIR] COMMAND ARGUMENTS...\n"
         "       kerrow-cli [--data DIR] --version\n"
         "Works on Genesis ROM images through the editor's catalog, without a window.\n"
         "The catalog is read from DIR, else from KERROW_DATA, the program's own directory\n"
         "when it holds game.mdb, or the per-user data folder (--version names it).\n\n"
         "Commands:\n";
  for (const CliCommand& command : CommandTable())
    out << "  " << command.name << ' ' << command.usage << "\n      " << command.summary << '\n';
  out << "\nExit status: 0 success, 64 wrong arguments; check and checksum: 1 problems found\n"
         "(checksums differ), 2 could not check; list, export, export-all, import and\n"
         "palette: 10 catalog or ROM unreadable, 11 unknown game, 12 no such sprite, 13 sprite\n"
         "not loadable, 14 image or palette file refused, 15 output not written, 16 ROM not\n"
         "written, 17 ROM busy (another program kept saving into it; nothing written);\n"
         "18 a catalog file is in use by another program (any command); identify and\n"
         "catalog: 10 catalog or ROM unreadable, 11 ROM not catalogued (identify: not\n"
         "identified), 12 no such sprite, 19 the change was refused (no catalog file\n"
         "changed); 70 an unexpected internal failure or not enough memory.\n";
}

}  // namespace

int RunCli(std::span<const std::string> args, const std::string& programDirectory) {
  // The private temporary directory goes with the command, whichever way it ends.
  struct RemoveTempOnReturn {
    ~RemoveTempOnReturn() { RemoveTempDirectory(); }
  } removeTemp;
  CliContext context;
  DataFolder folder =
      LocateDataFolder("", std::nullopt, programDirectory, DataFolderEnvironment::FromProcess());
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
      folder = LocateDataFolder("", args[++i], programDirectory, {});
      continue;
    }
    if (args[i] == "--version") {
      std::cout << VersionReport("kerrow-cli", folder);
      return kExitOk;
    }
    break;
  }
  context.dataPath = folder.path;
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
  try {
    PrepareDataFolder(folder);
  } catch (const Failure& failure) {
    std::cerr << "kerrow-cli: " << failure.Description() << '\n';
    return kExitCatalog;
  }
  try {
    return found->run(context, args.subspan(i + 1));
  } catch (const std::bad_alloc&) {
    std::cerr << "kerrow-cli: " << kOutOfMemoryText << '\n';
    return kExitInternal;
  } catch (const Failure& failure) {
    // A catalog locked by another program has its own status wherever it is met.
    std::cerr << "kerrow-cli: " << failure.Description() << '\n';
    return failure.Number() == kErrCatalogInUse ? kExitCatalogBusy : kExitInternal;
  } catch (const std::exception& failure) {
    // Whatever a subcommand did not foresee still ends with one line and a status.
    std::cerr << "kerrow-cli: " << failure.what() << '\n';
    return kExitInternal;
  }
}

}  // namespace kerrow::cli
