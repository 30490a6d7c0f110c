#include <cstdio>
#include <iostream>
#include <optional>

#include "bridge/RomSave.h"
#include "cli/CliSession.h"
#include "cli/WorkshopCommands.h"
#include "shell/Failure.h"
#include "workshop/HexText.h"
#include "workshop/RomHeader.h"

namespace kerrow::cli {

int RunChecksum(const CliContext&, std::span<const std::string> args) {
  bool fix = false;
  std::string rom;
  for (const std::string& arg : args) {
    if (arg == "--fix") {
      fix = true;
    } else if (rom.empty() && !arg.starts_with("--")) {
      rom = arg;
    } else {
      rom.clear();
      break;
    }
  }
  if (rom.empty()) {
    std::cerr << "Usage: kerrow-cli checksum [--fix] ROM\n";
    return kExitUsage;
  }
  try {
    // --fix reads, compares and writes under one lock.
    std::optional<RomSave> save;
    if (fix) {
      try {
        save.emplace(rom);
      } catch (const Failure& failure) {
        if (failure.Number() != kErrRomBusy) throw;
        std::cerr << "kerrow-cli checksum: " << failure.Description() << '\n';
        return kExitRomBusy;
      }
    }
    const std::string note = save ? save->RecoveryNote() : RecoverRom(rom);
    if (!note.empty()) std::cerr << "kerrow-cli checksum: " << OneLine(note) << '\n';
    const RomHeader header = save ? ParseRomHeader(save->ReadAll()) : ReadRomHeader(rom);
    if (!header.StoredChecksum) {
      // Nothing to compare with, and nothing --fix could write without growing the file.
      std::cerr << "kerrow-cli checksum: " << rom
                << " is too short to hold a cartridge header checksum (at 0x18E).\n";
      return kExitCannotCheck;
    }
    std::cout << "stored:   " << Word(*header.StoredChecksum)
              << "\ncomputed: " << Word(header.ComputedChecksum) << '\n';
    if (header.ChecksumMatches()) {
      std::cout << "The checksum is correct.\n";
      return kExitOk;
    }
    if (!fix) {
      std::cout << "The stored checksum is wrong (use --fix to write the computed one).\n";
      return kExitProblems;
    }
    WriteStoredChecksum(rom, header.ComputedChecksum);
    save->Commit();
    std::cout << "Fixed: " << Word(header.ComputedChecksum) << " written at 0x18E.\n";
    return kExitOk;
  } catch (const Failure& failure) {
    std::cerr << "kerrow-cli checksum: " << failure.Description() << '\n';
    return kExitCannotCheck;
  }
}

}  // namespace kerrow::cli
