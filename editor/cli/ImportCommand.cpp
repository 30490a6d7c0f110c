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
  if (int status = session.OpenRom(positional[0]); status != kExitOk) return status;
  if (int status = session.LoadSprite(positional[1]); status != kExitOk) return status;
  if (!ImportSprite(session.Absolute(positional[2]),
                    takePalette ? ImageColoursChoice::Take : ImageColoursChoice::Keep, nullptr))
    return kExitRefusedInput;
  // Only an indexed image has colours to take; the report says whether they were.
  const bool savePalette = takePalette && G().PaletteDirty;
  try {
    const int failuresBefore = session.dialogs.Failures();
    if (!SaveRom() || session.dialogs.Failures() != failuresBefore) {
      // A refusal the save explained itself is its one line.
      if (session.dialogs.Failures() != failuresBefore) return kExitSaveRefused;
      return CliSession::Fail(kExitSaveRefused, "the sprite was not saved into " + G().RomPath);
    }
    if (savePalette) SavePalette();
  } catch (const Failure& failure) {
    return CliSession::Fail(kExitSaveRefused, "the sprite was not saved into " + G().RomPath +
                                                  ": " + failure.Description());
  }
  std::cout << "Saved \"" << positional[1] << "\" into " << G().RomPath
            << (savePalette ? ", with the image's palette" : "") << '\n';
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
