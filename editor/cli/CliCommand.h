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
  // check and checksum:
  kExitProblems = 1,     // problems found (check), the checksums differ (checksum)
  kExitCannotCheck = 2,  // the check could not run, the ROM could not be read or written
  // The art subcommands (list, export, export-all, import, palette):
  kExitCatalog = 10,       // the catalog or the ROM image cannot be opened or read
  kExitUnknownGame = 11,   // no catalogued game matches the ROM image
  kExitNoSuchSprite = 12,  // the game's catalog holds no sprite of that name
  kExitSpriteLoad = 13,    // the sprite could not be loaded (catalog or decompression failure)
  kExitRefusedInput = 14,  // an image or palette file was refused; nothing changed
  kExitWriteFailed = 15,   // an output file could not be written (some, for export-all)
  kExitSaveRefused = 16,   // the ROM image was not written (does not fit, past its end, not writable)
  kExitRomBusy = 17,       // another program kept saving into the ROM image; nothing was written
  // Any subcommand that reads the catalog:
  kExitCatalogBusy = 18,   // a catalog file is locked by another program
  // The catalog subcommands (identify and catalog ...) also use 10, 11 and 12:
  kExitCatalogRefused = 19,  // the catalog change was refused; no catalog file changed
  kExitInternal = 70,      // a subcommand failed in a way it did not foresee
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
// Results go to standard output, one line per failure to standard error.
int RunCli(std::span<const std::string> args, const std::string& programDirectory);

}  // namespace kerrow::cli
