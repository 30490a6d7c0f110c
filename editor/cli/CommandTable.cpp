#include "cli/CliCommand.h"

namespace kerrow::cli {

const std::vector<CliCommand>& CommandTable() {
  static const std::vector<CliCommand> table = {
      // Subcommands are added here, one entry each.
  };
  return table;
}

}  // namespace kerrow::cli
