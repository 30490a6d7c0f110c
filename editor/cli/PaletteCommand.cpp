// kerrow-cli palette export|import ROM [SPRITE] FILE: the game's palette, or
// the one the named sprite uses, to or from a palette file.
#include <iostream>

#include "art/ArtCommands.h"
#include "cli/ArtSubcommands.h"
#include "cli/CliSession.h"
#include "editing/bPal.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow::cli {

namespace {

int RunPalette(const CliContext& context, std::span<const std::string> args) {
  if ((args.size() != 3 && args.size() != 4) || (args[0] != "export" && args[0] != "import"))
    return CliSession::Fail(kExitUsage, "usage: kerrow-cli palette export|import ROM [SPRITE] FILE");
  const bool exporting = args[0] == "export";
  CliSession session(context);
  if (!exporting) {
    if (int status = session.BeginSave(args[1]); status != kExitOk) return status;
  }
  if (int status = session.OpenRom(args[1]); status != kExitOk) return status;
  if (args.size() == 4) {
    if (int status = session.LoadSprite(args[2]); status != kExitOk) return status;
  }
  const std::string file = session.Absolute(args.back());
  if (exporting) {
    if (!ExportPaletteFile(file)) return kExitWriteFailed;
    std::cout << "Wrote " << file << '\n';
    return kExitOk;
  }
  if (!ImportPaletteFile(file, nullptr)) return kExitRefusedInput;
  try {
    SavePalette();
  } catch (const Failure& failure) {
    return CliSession::Fail(kExitSaveRefused, "the palette was not saved into " + G().RomPath +
                                                  ": " + failure.Description());
  }
  if (int status = session.CommitSave(); status != kExitOk) return status;
  std::cout << "Saved the palette from " << file << " into " << G().RomPath << '\n';
  return kExitOk;
}

}  // namespace

CliCommand PaletteCommand() {
  return {"palette", "export|import ROM [SPRITE] FILE",
          "writes or reads the game's palette (or SPRITE's): FILE.pal (JASC-PAL), .gpl (GIMP), "
          ".bin (32 bytes of console colour words) or, for import, an indexed image",
          RunPalette};
}

}  // namespace kerrow::cli
