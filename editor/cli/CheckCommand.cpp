#include <iostream>
#include <new>

#include "bridge/TempFiles.h"
#include "cli/WorkshopCommands.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "workshop/CatalogCheck.h"

namespace kerrow::cli {

int RunCheck(const CliContext& context, std::span<const std::string> args) {
  if (args.size() != 1) {
    std::cerr << "Usage: kerrow-cli check ROM\n";
    return kExitUsage;
  }
  G().DataPath = context.dataPath;
  try {
    const CheckReport report = CheckCatalog(args[0]);
    RemoveTempDirectory();
    for (const std::string& problem : report.Problems) std::cout << problem << '\n';
    if (report.Problems.empty()) {
      std::cout << "No problems found in the catalog of \"" << report.GameName << "\".\n";
      return kExitOk;
    }
    std::cerr << report.Problems.size() << " problem(s) in the catalog of \"" << report.GameName
              << "\".\n";
    return kExitProblems;
  } catch (const CheckImpossible& impossible) {
    RemoveTempDirectory();
    std::cerr << "kerrow-cli check: " << impossible.what() << '\n';
    return impossible.FailureNumber() == kErrCatalogInUse ? kExitCatalogBusy : kExitCannotCheck;
  } catch (const std::bad_alloc&) {
    RemoveTempDirectory();
    std::cerr << "kerrow-cli check: " << kOutOfMemoryText << '\n';
    return kExitCannotCheck;
  } catch (const std::exception& failure) {
    RemoveTempDirectory();
    std::cerr << "kerrow-cli check: " << failure.what() << '\n';
    return kExitCannotCheck;
  }
}

}  // namespace kerrow::cli
