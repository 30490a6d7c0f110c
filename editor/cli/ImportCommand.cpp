// kerrow-cli import [--take-palette] ROM SPRITE IN.png: Import Sprite, then Save ROM.
#include <iostream>
#include <vector>

#include "art/ArtCommands.h"
#include "bridge/WriteBack.h"
#include "cli/ArtSubcommands.h"
#include "cli/CliSession.h"
#include "editing/bPal.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow::cli {

namespace {

int RunImport(const CliContext& context, std::span<const std::string> args) {
  std::vector<std::string> positional;
  bool takePalette = false;
  for (const std::string& arg : args) {
    if (arg == "--take-palette") {
      takePalette = true;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3)
    return CliSession::Fail(kExitUsage,
                            "usage: kerrow-cli import [--take-palette] ROM SPRITE IN.png");
  CliSession session(context);
  if (int status = session.BeginSave(positional[0]); status != kExitOk) return status;
  if (int status = session.OpenRom(positional[0]); status != kExitOk) return status;
  if (int status = session.LoadSprite(positional[1]); status != kExitOk) return status;
  if (!ImportSprite(session.Absolute(positional[2]),
                    takePalette ? ImageColoursChoice::Take : ImageColoursChoice::Keep, nullptr))
    return kExitRefusedInput;
  // Only an indexed image gives colours to take.
  const bool paletteTaken = takePalette && G().PaletteDirty;
  try {
    const int failuresBefore = session.dialogs.Failures();
    if (!SaveRom() || session.dialogs.Failures() != failuresBefore) {
      // A refusal the save explained itself is its one line.
      if (session.dialogs.Failures() != failuresBefore) return kExitSaveRefused;
      return CliSession::Fail(kExitSaveRefused, "the sprite was not saved into " + G().RomPath);
    }
  } catch (const Failure& failure) {
    return CliSession::Fail(kExitSaveRefused, "the sprite was not saved into " + G().RomPath +
                                                  ": " + failure.Description());
  }
  if (paletteTaken) {
    const std::string saved =
        "the sprite was saved into " + G().RomPath + ", but its palette was not";
    try {
      const int failuresBefore = session.dialogs.Failures();
      SavePalette();
      if (session.dialogs.Failures() != failuresBefore || G().PaletteDirty)
        return CliSession::Fail(kExitSaveRefused, saved);
    } catch (const Failure& failure) {
      return CliSession::Fail(kExitSaveRefused, saved + ": " + failure.Description());
    }
  }
  if (int status = session.CommitSave(); status != kExitOk) return status;
  std::cout << "Saved \"" << positional[1] << "\" into " << G().RomPath
            << (paletteTaken ? ", with the image's palette" : "") << '\n';
  return kExitOk;
}

}  // namespace

CliCommand ImportCommand() {
  return {"import", "[--take-palette] ROM SPRITE IN.png",
          "replaces the sprite's editable tiles by the image (exactly the sprite's size) and "
          "saves it into ROM as Save ROM does; --take-palette also saves an indexed image's "
          "colours 1-15 as the palette",
          RunImport};
}

}  // namespace kerrow::cli
