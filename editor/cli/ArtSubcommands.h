// The art subcommands of kerrow-cli, one source file each.
#pragma once

#include "cli/CliCommand.h"

namespace kerrow::cli {

CliCommand ListCommand();
CliCommand ExportCommand();
CliCommand ExportAllCommand();
CliCommand ImportCommand();
CliCommand PaletteCommand();

}  // namespace kerrow::cli
