// The catalog subcommands of kerrow-cli: identify, and catalog add-game,
// add-sprite, fingerprint, rename, move, remove and undo.
#pragma once

#include "cli/CliCommand.h"

namespace kerrow::cli {

CliCommand IdentifyCommand();
CliCommand CatalogCommand();

}  // namespace kerrow::cli
