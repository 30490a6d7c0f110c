#include "bridge/WriteBack.h"

#include <cstdint>
#include <filesystem>
#include <vector>

#include "bridge/CompressionBridge.h"
#include "editing/bPal.h"
#include "graphics/BinaryFile.h"
#include "graphics/TileList.h"
#include "graphics/bGenTile.h"
#include "shell/Dialogs.h"
#include "shell/ErrorReports.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "graphics/RomSaved.h"

namespace kerrow {

namespace {

void Refuse(const std::string& text) {
  ActiveDialogs().Message(text, MsgIcon::Exclamation, MsgButtons::Ok);
}

// Writes every white tile through one open file with EncodeTile, row by row,
// or refuses the whole save, writing nothing, when any of them would reach
// past the end of the file. `durable`: the file is flushed to the disk after.
bool WriteTiles(const std::string& path, const TileLineIndex& white, bool durable) {
  BinaryFile file = BinaryFile::OpenForUpdate(path);
  const std::int64_t size = file.Size();
  const PixelGrid& map = G().TileMap;
  for (std::int32_t ty = 0; ty < map.Height(); ++ty) {
    for (std::int32_t tx = 0; tx < map.Width(); ++tx) {
      if (map.At(tx, ty) != kTileWhite) continue;
      const TileLine* line = white.Find(tx, ty);
      if (line == nullptr || (line->Offset >= 0 && line->Offset <= size - kTileBytes)) continue;
      const std::string where =
          line->Offset < 0 ? ", which is negative"
                           : ", which reaches past the end of " + path + " (" +
                                 std::to_string(size) + " bytes long)";
      Refuse("The sprite was not saved: the tile at column " + std::to_string(tx) + ", row " +
             std::to_string(ty) + " is listed at offset " + std::to_string(line->Offset) + where +
             ". Nothing was written.");
      return false;
    }
  }
  for (std::int32_t ty = 0; ty < map.Height(); ++ty)
    for (std::int32_t tx = 0; tx < map.Width(); ++tx) EncodeTile(tx, ty, white, file);
  if (durable) file.Flush();
  return true;
}

// Copies "dumpc.bin" to the record's "Offset" when it fits "MaxSize" and the ROM.
bool StoreCompressed(TableView& record) {
  std::vector<std::uint8_t> packed = BinaryFile::OpenForReading(DumpCompressedFile()).ReadAll();
  auto length = static_cast<std::int64_t>(packed.size());
  if (length > record.Long("MaxSize")) {
    ActiveDialogs().Message(kTooLargeText, MsgIcon::None, MsgButtons::Ok);
    std::error_code ignored;
    std::filesystem::remove(DumpCompressedFile(), ignored);
    return false;
  }
  std::int32_t offset = record.Long("Offset");
  BinaryFile rom = BinaryFile::OpenForUpdate(G().SpriteRomPath);
  if (!rom.Holds(offset, length)) {
    const std::string where =
        offset < 0 ? ", which is negative"
                   : ", which would reach past the end of " + G().SpriteRomPath + " (" +
                         std::to_string(rom.Size()) + " bytes long)";
    Refuse("The sprite was not saved: its " + std::to_string(length) +
           " compressed bytes go to offset " + std::to_string(offset) + where +
           ". Nothing was written to the ROM.");
    return false;
  }
  rom.WriteAt(offset, packed);
  rom.Flush();
  return true;
}

}  // namespace

bool SaveRom() {
  if (!G().FailedSelection.empty()) {
    Refuse("The sprite was not saved: \"" + G().FailedSelection +
           "\" did not load completely, so what the edit surface shows is not what its catalog "
           "record describes. Nothing was written. Select a sprite again to save it.");
    return false;
  }
  if (!G().SpriteLoaded) return false;
  if (G().SpriteRomPath.empty())
    throw Failure(kErrObjectNotSet, "Cannot save the sprite: it was not loaded from a ROM image",
                  "Save ROM");
  if (G().SpriteRomPath != G().RomPath) {
    Refuse("The sprite was not saved: it came from " + G().SpriteRomPath +
           ", which is not the ROM open now (" + G().RomPath + "). Nothing was written.");
    return false;
  }
  const bool compressed = G().SpriteIsCompressed;
  TableView& record = GameTableView(compressed ? kCompressed : kSprite);
  const TileLineIndex white(ParseTileList(record.Text("White")));
  // The decompressed data is only a step on the way; the ROM itself goes to disk.
  if (!WriteTiles(compressed ? DumpFile() : G().SpriteRomPath, white, !compressed)) return false;

  if (compressed) {
    if (VantorComp(DumpFile(), DumpCompressedFile()) == -1) {
      // Abandon only the save: the ROM is untouched and the edits stay unsaved.
      ActiveDialogs().Message(kCompressFailedText, MsgIcon::None, MsgButtons::Ok);
      return false;
    }
    if (!StoreCompressed(record)) return false;
  }
  AfterRomSaved(G().SpriteRomPath);
  G().SpriteDirty = false;
  NoteSaved(G().SpriteName.empty() ? "the sprite" : G().SpriteName, G().SpriteRomPath);
  return true;
}

void SavePaletteCommand() {
  if (G().RomPath.empty()) return;
  SavePalette();
}

}  // namespace kerrow
