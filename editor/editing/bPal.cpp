#include "editing/bPal.h"

#include <array>
#include <cstdio>

#include "bridge/RomSave.h"
#include "graphics/BinaryFile.h"
#include "graphics/bGenTile.h"
#include "shell/Failure.h"
#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"
#include "graphics/RomSaved.h"

namespace kerrow {

namespace {

PaletteEntry& EntryAt(std::int32_t index) {
  if (index < 0 || index > 15) throw Failure(kErrSubscript, "Subscript out of range", "kerrow");
  return G().Palette.Entries[static_cast<std::size_t>(index)];
}

void StoreWord(PaletteEntry& entry, ColourWord word) {
  entry.Colour = GenesisToRgb(word.First, word.Second);
  entry.StoredBytes = std::to_string(word.First) + " " + std::to_string(word.Second);
  entry.Tooltip = ColourTooltip(entry.Colour);
}

// "b1 b2" back to the two bytes; anything else is a type mismatch.
ColourWord ParseStoredBytes(const std::string& text) {
  unsigned first = 0;
  unsigned second = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%u %u%c", &first, &second, &extra) != 2 || first > 255 ||
      second > 255)
    throw Failure(kErrTypeMismatch, "Type mismatch", "kerrow");
  return {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
}

}  // namespace

void RequirePaletteOffset(std::int64_t paletteOffset, const std::string& path) {
  if (paletteOffset < 0)
    throw Failure(kErrBadRecordNumber,
                  "Bad record number: the palette offset " + std::to_string(paletteOffset) +
                      " of " + path + " is negative",
                  kFileSource);
}

std::string ColourTooltip(DisplayColour colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(colour));
  return text;
}

void LoadPalette(const std::string& path, std::int32_t paletteOffset) {
  // The block starts two bytes after the offset, so -1 and -2 would still
  // land inside the file, on the vector table a save would then overwrite.
  RequirePaletteOffset(paletteOffset, path);
  std::array<std::uint8_t, kPaletteBytes> bytes{};
  BinaryFile::OpenForReading(path).ReadAt(std::int64_t{paletteOffset} + 2, bytes);
  for (std::size_t i = 1; i <= 15; ++i)
    StoreWord(G().Palette.Entries[i], {bytes[2 * i - 2], bytes[2 * i - 1]});
  G().Palette.Entries[0].Tooltip = kBackgroundEntryTooltip;
  G().PaletteOffset = paletteOffset + 3;
  G().PaletteRomPath = path;
}

void SavePalette() {
  const std::string& path = G().PaletteRomPath;
  if (path.empty())
    throw Failure(kErrObjectNotSet, "Cannot save the palette: no palette has been loaded",
                  "Save Palette");
  if (path != G().RomPath) {
    // Another ROM was opened since: its bytes are not this palette's to write.
    ActiveDialogs().Message("The palette was not saved: it came from " + path +
                                ", which is not the ROM open now (" + G().RomPath +
                                "). Nothing was written.",
                            MsgIcon::Exclamation, MsgButtons::Ok);
    return;
  }
  std::array<std::uint8_t, kPaletteBytes> bytes{};
  for (std::size_t i = 1; i <= 15; ++i) {
    ColourWord word = ParseStoredBytes(G().Palette.Entries[i].StoredBytes);
    bytes[2 * i - 2] = word.First;
    bytes[2 * i - 1] = word.Second;
  }
  // PaletteOffset counts from 1 and lies 3 past the catalog's offset.
  RequirePaletteOffset(std::int64_t{G().PaletteOffset} - 3, path);
  RomSave file(path);
  std::int64_t offset = std::int64_t{G().PaletteOffset} - 1;
  if (!file.Holds(offset, kPaletteBytes))
    throw Failure(kErrPastEndOfFile,
                  "Cannot save the palette: its 30 bytes at offset " + std::to_string(offset) +
                      " would reach past the end of " + path + " (" + std::to_string(file.Size()) +
                      " bytes long); nothing was written",
                  "Save Palette");
  file.WriteAt(offset, bytes);
  AfterRomSaved(path);
  file.Commit();
  G().PaletteDirty = false;
  NoteSaved("the palette", path);
}

void UnloadPalette(DisplayColour blank) {
  auto& g = G();
  for (std::size_t i = 1; i <= 15; ++i) g.Palette.Entries[i] = PaletteEntry{blank, "", ""};
  for (ColourSelection* selection : {&g.Palette.Fore, &g.Palette.Back}) {
    selection->Shown = g.Palette.Entries[static_cast<std::size_t>(selection->Index)].Colour;
  }
  g.PaletteOffset = 0;
  g.PaletteRomPath.clear();
  g.PaletteDirty = false;
}

bool EditPaletteEntry(std::int32_t index, DisplayColour chosen) {
  if (G().RomPath.empty()) return false;
  PaletteEntry& entry = EntryAt(index);
  PaletteStrip& strip = G().Palette;
  // Swatches follow the entry when they showed its colour, whatever index they hold.
  bool foreMatch = strip.Fore.Shown == entry.Colour;
  bool backMatch = strip.Back.Shown == entry.Colour;
  const PaletteEntry before = entry;
  if (index == 0) {
    entry.Colour = chosen & 0xFFFFFF;
    strip.BackdropChosen = true;
  } else {
    StoreWord(entry, RgbToGenesis(chosen));
    G().PaletteDirty = true;
  }
  if (foreMatch) strip.Fore.Shown = entry.Colour;
  if (backMatch) strip.Back.Shown = entry.Colour;
  SpriteHistory().RecordPalette(G().SpritePixels, index, before, entry);
  return true;
}

void SelectPaletteEntry(PointerButton button, std::int32_t index) {
  PaletteEntry& entry = EntryAt(index);
  ColourSelection* selection = button == PointerButton::Left    ? &G().Palette.Fore
                               : button == PointerButton::Right ? &G().Palette.Back
                                                                : nullptr;
  if (!selection) return;
  selection->Index = static_cast<std::int16_t>(index);
  selection->Shown = entry.Colour;
}

}  // namespace kerrow
