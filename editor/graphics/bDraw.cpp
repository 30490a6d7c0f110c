#include "graphics/bDraw.h"

#include <optional>
#include <vector>

#include "graphics/BinaryFile.h"
#include "graphics/TileList.h"
#include "graphics/bGenTile.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

void LoadTileList(std::string_view tileList, const std::string& sourcePath, Surface& surface,
                  TileState state) {
  // The file is read once, when the first line needs it, so an empty list
  // touches no file and a malformed first line fails before any file error.
  std::optional<std::vector<std::uint8_t>> source;
  for (std::string_view text : SplitTileListLines(tileList)) {
    TileLine line = ParseTileLine(text);
    if (!source) source = BinaryFile::OpenForReading(sourcePath).ReadAll();
    std::int64_t length = static_cast<std::int64_t>(source->size());
    if (line.Offset < 0)
      throw Failure(kErrBadRecordNumber,
                    "Bad record number: the tile at column " + std::to_string(line.Tx) + ", row " +
                        std::to_string(line.Ty) + " is listed at offset " +
                        std::to_string(line.Offset) + " of " + sourcePath + ", which is negative",
                    kFileSource);
    if (line.Offset > length - kTileBytes)
      throw Failure(kErrPastEndOfFile,
                    "Input past end of file: the tile at column " + std::to_string(line.Tx) +
                        ", row " + std::to_string(line.Ty) + " is listed at offset " +
                        std::to_string(line.Offset) + " of " + sourcePath + ", which is only " +
                        std::to_string(length) + " bytes long",
                    kFileSource);
    std::span<const std::uint8_t, kTileBytes> bytes(source->data() + line.Offset, kTileBytes);
    PlaceTile(bytes, surface, line.Tx, line.Ty);
    G().TileMap.At(line.Tx, line.Ty) = state;
    if (state == kTileGrey) surface.ShadeTile(line.Tx, line.Ty);
  }
}

void LoadWhiteTiles(std::string_view tileList, Surface& surface) {
  G().SpriteRomPath = G().RomPath;
  LoadTileList(tileList, G().RomPath, surface, kTileWhite);
}

void LoadGreyTiles(std::string_view tileList, Surface& surface) {
  LoadTileList(tileList, G().RomPath, surface, kTileGrey);
}

}  // namespace kerrow
