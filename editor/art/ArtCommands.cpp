#include "art/ArtCommands.h"

#include <filesystem>
#include <vector>

#include "art/PaletteFiles.h"
#include "art/SpriteImage.h"
#include "art/SpriteImport.h"
#include "catalog/bDatabase.h"
#include "graphics/Surface.h"
#include "shell/Dialogs.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

void Refuse(const std::string& text, const char* title) {
  ActiveDialogs().Message(text, MsgIcon::Exclamation, MsgButtons::Ok, title);
}

// Image and palette files the running command has read (the command line runs
// one command; the editor forgets them when an import command ends).
std::vector<std::string>& SourcesRead() {
  static std::vector<std::string> sources;
  return sources;
}

bool Same(const std::string& path, const std::string& input) {
  std::error_code error;
  return !input.empty() && std::filesystem::equivalent(path, input, error);
}

// ".bin" names both a ROM image and a palette file, and a save dialog or a
// command line is one slip away from the cartridge or the catalog: an export
// never replaces a file the program reads, whatever name or link leads to it.
bool RefusedAsAnInput(const std::string& path, const char* title) {
  std::string what;
  for (const std::string& rom : {G().RomPath, G().SpriteRomPath, G().PaletteRomPath})
    if (what.empty() && Same(path, rom)) what = "the ROM image the editor reads from";
  for (const Database* catalog : {G().CatalogDb.get(), G().GameDb.get()})
    if (what.empty() && catalog != nullptr && Same(path, catalog->Path()))
      what = "a catalog file the editor reads (" + catalog->Path() + ")";
  for (const std::string& source : SourcesRead())
    if (what.empty() && Same(path, source)) what = "the file this command read (" + source + ")";
  if (what.empty()) return false;
  Refuse(path + " is " + what + "; an export never replaces it. Nothing was written.", title);
  return true;
}

}  // namespace

void ForgetSourcesRead() { SourcesRead().clear(); }

bool SpriteImportAllowed() {
  // A selection that failed part-way leaves nothing whose pixels may be replaced.
  return G().SpriteLoaded && G().FailedSelection.empty() && !G().SpritePixels.Empty() &&
         !G().SpriteRomPath.empty();
}

bool PaletteFilesAllowed() {
  // The palette shown must be the open ROM's: one left from another ROM is not offered.
  return !G().RomPath.empty() && G().PaletteRomPath == G().RomPath;
}

bool ExportSprite(const std::string& path) {
  if (!SpriteImportAllowed() || RefusedAsAnInput(path, kExportTitle)) return false;
  // Positions without a tile are index 0 whatever the grid holds there.
  PixelGrid pixels = G().SpritePixels;
  for (std::int32_t y = 0; y < pixels.Height(); ++y)
    for (std::int32_t x = 0; x < pixels.Width(); ++x)
      if (G().TileMap.ValueOr0(x / 8, y / 8) == kTileEmpty) pixels.At(x, y) = 0;
  const std::string failure = WritePng(SpriteToIndexedImage(pixels, ExportedPaletteColours()), path);
  if (failure.empty()) return true;
  Refuse(failure, kExportTitle);
  return false;
}

bool ImportSprite(const std::string& path, ImageColoursChoice colours,
                  const std::function<void()>& redraw) {
  if (!SpriteImportAllowed()) return false;
  const PixelGrid& pixels = G().SpritePixels;
  SourcesRead().push_back(path);
  const ArtOutcome<QImage> image = ReadSpriteSizedImage(path, pixels.Width(), pixels.Height());
  if (!image) {
    Refuse(image.Message(), kImportTitle);
    return false;
  }
  const ArtOutcome<SpriteImportPlan> plan =
      PlanSpriteImport(*image, pixels, G().TileMap, CurrentPaletteColours());
  if (!plan) {
    Refuse(plan.Message(), kImportTitle);
    return false;
  }
  bool takeColours = false;
  if (plan->Indexed && plan->ImageColours.size() > 1) {
    if (colours == ImageColoursChoice::Ask) {
      const MsgAnswer answer = ActiveDialogs().Message(kTakeImageColoursText, MsgIcon::Question,
                                                       MsgButtons::YesNoCancel, kImportTitle);
      if (answer == MsgAnswer::Cancel) return false;
      takeColours = answer == MsgAnswer::Yes;
    } else {
      takeColours = colours == ImageColoursChoice::Take;
    }
  }
  ApplySpriteImport(*plan, takeColours);
  if (redraw) redraw();
  if (plan->PixelsOutsideEditable > 0)
    ActiveDialogs().Message(
        std::to_string(plan->PixelsOutsideEditable) +
            " non-zero pixels of the image differ from the context or empty tile positions they "
            "lie on, which are not part of the sprite; those positions were left as they were.",
        MsgIcon::Information, MsgButtons::Ok, kImportTitle);
  return true;
}

bool ExportPaletteFile(const std::string& path) {
  if (!PaletteFilesAllowed() || RefusedAsAnInput(path, kPaletteTitle)) return false;
  const std::string failure = WritePaletteFile(path, ExportedPaletteColours());
  if (failure.empty()) return true;
  Refuse(failure, kPaletteTitle);
  return false;
}

bool ImportPaletteFile(const std::string& path, const std::function<void()>& redraw) {
  if (!PaletteFilesAllowed()) return false;
  SourcesRead().push_back(path);
  const ArtOutcome<PaletteColours> colours = ReadPaletteFile(path);
  if (!colours) {
    Refuse(colours.Message(), kPaletteTitle);
    return false;
  }
  ApplyPaletteColours(*colours);
  if (redraw) redraw();
  return true;
}

}  // namespace kerrow
