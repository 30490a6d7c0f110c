#include "cli/ArtSubcommands.h"
#include "cli/CliCommand.h"

namespace kerrow::cli {

const std::vector<CliCommand>& CommandTable() {
  static const std::vector<CliCommand> table = {
      // Subcommands are added here, one entry each.
      ListCommand(),
      ExportCommand(),
      ExportAllCommand(),
      ImportCommand(),
      PaletteCommand(),
  };
  return table;
}

}  // namespace kerrow::cli
