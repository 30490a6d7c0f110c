#include "cli/ArtSubcommands.h"
#include "cli/CatalogSubcommands.h"
#include "cli/CliCommand.h"
#include "cli/WorkshopCommands.h"

namespace kerrow::cli {

const std::vector<CliCommand>& CommandTable() {
  static const std::vector<CliCommand> table = {
      {"check", "ROM",
       "checks the catalog of the ROM's game against the ROM (exit 0 sound, 1 problems, 2 "
       "could not check)",
       RunCheck},
      {"checksum", "[--fix] ROM", "prints the stored and computed checksums; --fix writes it",
       RunChecksum},
      // Subcommands are added here, one entry each.
      ListCommand(),
      ExportCommand(),
      ExportAllCommand(),
      ImportCommand(),
      PaletteCommand(),
      IdentifyCommand(),
      CatalogCommand(),
  };
  return table;
}

}  // namespace kerrow::cli
