// kerrow-cli export ROM SPRITE OUT.png: one sprite as an indexed PNG.
#include <iostream>

#include "art/ArtCommands.h"
#include "cli/ArtSubcommands.h"
#include "cli/CliSession.h"

namespace kerrow::cli {

namespace {

int RunExport(const CliContext& context, std::span<const std::string> args) {
  if (args.size() != 3)
    return CliSession::Fail(kExitUsage, "usage: kerrow-cli export ROM SPRITE OUT.png");
  CliSession session(context);
  if (int status = session.OpenRom(args[0]); status != kExitOk) return status;
  if (int status = session.LoadSprite(args[1]); status != kExitOk) return status;
  const std::string out = session.Absolute(args[2]);
  if (!ExportSprite(out)) return kExitWriteFailed;
  std::cout << "Wrote " << out << '\n';
  return kExitOk;
}

}  // namespace

CliCommand ExportCommand() {
  return {"export", "ROM SPRITE OUT.png",
          "writes the sprite as an indexed PNG: its 16 colours as the palette, index 0 "
          "transparent",
          RunExport};
}

}  // namespace kerrow::cli
