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
#include "workshop/SaveHooks.h"

namespace kerrow {

namespace {

struct TileWrite {
  std::int32_t Tx;
  std::int32_t Ty;
  std::int32_t Offset;
  TileBytes Bytes;
};

// Every white tile with its offset, in the save's row-by-row order. A white
// cell the list does not name gets the processing error report and is skipped.
std::vector<TileWrite> PlanTileWrites(const std::string& whiteList) {
  std::vector<TileWrite> writes;
  const PixelGrid& map = G().TileMap;
  for (std::int32_t ty = 0; ty < map.Height(); ++ty) {
    for (std::int32_t tx = 0; tx < map.Width(); ++tx) {
      if (map.At(tx, ty) != kTileWhite) continue;
      TileLine line;
      if (!FindTileLine(whiteList, tx, ty, line)) {
        ShowProcessingError();
        continue;
      }
      writes.push_back({tx, ty, line.Offset, TileBytesAt(tx, ty)});
    }
  }
  return writes;
}

void Refuse(const std::string& text) {
  ActiveDialogs().Message(text, MsgIcon::Exclamation, MsgButtons::Ok);
}

// Writes the planned tiles through one open file, or refuses the whole save,
// writing nothing, when any of them would reach past the end of the file.
bool WriteTiles(const std::string& path, const std::vector<TileWrite>& writes) {
  BinaryFile file = BinaryFile::OpenForUpdate(path);
  for (const TileWrite& write : writes) {
    if (!file.Holds(write.Offset, kTileBytes)) {
      Refuse("The sprite was not saved: the tile at column " + std::to_string(write.Tx) + ", row " +
             std::to_string(write.Ty) + " is listed at offset " + std::to_string(write.Offset) +
             ", which reaches past the end of " + path + " (" + std::to_string(file.Size()) +
             " bytes long). Nothing was written.");
      return false;
    }
  }
  for (const TileWrite& write : writes) file.WriteAt(write.Offset, write.Bytes);
  return true;
}

// Copies "dumpc.bin" to the record's "Offset" when it fits "MaxSize" and the ROM.
bool StoreCompressed(TableView& record) {
  std::vector<std::uint8_t> packed = BinaryFile::OpenForReading(kDumpCompressedFile).ReadAll();
  auto length = static_cast<std::int64_t>(packed.size());
  if (length > record.Long("MaxSize")) {
    ActiveDialogs().Message(kTooLargeText, MsgIcon::None, MsgButtons::Ok);
    std::error_code ignored;
    std::filesystem::remove(kDumpCompressedFile, ignored);
    return false;
  }
  std::int32_t offset = record.Long("Offset");
  BinaryFile rom = BinaryFile::OpenForUpdate(G().SpriteRomPath);
  if (!rom.Holds(offset, length)) {
    Refuse("The sprite was not saved: its " + std::to_string(length) +
           " compressed bytes at offset " + std::to_string(offset) +
           " would reach past the end of " + G().SpriteRomPath + " (" + std::to_string(rom.Size()) +
           " bytes long). Nothing was written to the ROM.");
    return false;
  }
  rom.WriteAt(offset, packed);
  return true;
}

}  // namespace

bool SaveRom() {
  if (!G().SpriteLoaded) return false;
  if (G().SpriteRomPath.empty())
    throw Failure(kErrObjectNotSet, "Cannot save the sprite: it was not loaded from a ROM image",
                  "Save ROM");
  const bool compressed = G().SpriteIsCompressed;
  TableView& record = GameTableView(compressed ? kCompressed : kSprite);
  std::vector<TileWrite> writes = PlanTileWrites(record.Text("White"));
  if (!WriteTiles(compressed ? std::string(kDumpFile) : G().SpriteRomPath, writes)) return false;

  if (compressed) {
    if (VantorComp(kDumpFile, kDumpCompressedFile) == -1) {
      // Abandon only the save: the ROM is untouched and the edits stay unsaved.
      ActiveDialogs().Message(kCompressFailedText, MsgIcon::None, MsgButtons::Ok);
      return false;
    }
    if (!StoreCompressed(record)) return false;
  }
  AfterRomSaved(G().SpriteRomPath);
  G().SpriteDirty = false;
  return true;
}

void SavePaletteCommand() {
  if (G().RomPath.empty()) return;
  SavePalette();
}

}  // namespace kerrow
