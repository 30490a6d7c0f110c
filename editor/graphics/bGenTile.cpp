#include "graphics/bGenTile.h"

#include "shell/ErrorReports.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

// Odd levels do not exist on the console and show as 0, not as the even level below.
std::uint32_t LevelToChannel(std::uint32_t level) {
  return level % 2 == 0 ? level * 16 : 0;
}

std::uint8_t ChannelToLevel(std::uint32_t channel) {
  return static_cast<std::uint8_t>((channel / 32) * 2);
}

bool TileInside(const PixelGrid& grid, std::int32_t tx, std::int32_t ty) {
  std::int64_t x0 = std::int64_t{8} * tx;
  std::int64_t y0 = std::int64_t{8} * ty;
  return x0 >= 0 && y0 >= 0 && x0 + 8 <= grid.Width() && y0 + 8 <= grid.Height();
}

[[noreturn]] void FailTilePastEnd(const std::string& sourceName, std::int64_t length,
                                  std::int64_t offset, std::int32_t tx, std::int32_t ty) {
  throw Failure(kErrPastEndOfFile,
                "Input past end of file: the tile at column " + std::to_string(tx) + ", row " +
                    std::to_string(ty) + " is listed at offset " + std::to_string(offset) + " of " +
                    sourceName + ", which is only " + std::to_string(length) + " bytes long",
                kFileSource);
}

// A negative offset is its own fault, not one of a short file.
[[noreturn]] void FailTileNegative(const std::string& sourceName, std::int64_t offset,
                                   std::int32_t tx, std::int32_t ty) {
  throw Failure(kErrBadRecordNumber,
                "Bad record number: the tile at column " + std::to_string(tx) + ", row " +
                    std::to_string(ty) + " is listed at offset " + std::to_string(offset) + " of " +
                    sourceName + ", which is negative",
                kFileSource);
}

void PlaceTile(std::span<const std::uint8_t, kTileBytes> bytes, Surface& surface, std::int32_t tx,
               std::int32_t ty) {
  PixelGrid& pixels = G().SpritePixels;
  if (!TileInside(pixels, tx, ty) || !G().TileMap.Contains(tx, ty))
    throw Failure(kErrSubscript, "Subscript out of range", "kerrow");
  const std::int32_t x0 = 8 * tx;
  std::int32_t x = x0;
  std::int32_t y = 8 * ty;
  for (std::uint8_t b : bytes) {
    if (x == x0 + 8) {
      x = x0;
      ++y;
    }
    auto left = static_cast<std::uint8_t>(b / 16);
    auto right = static_cast<std::uint8_t>(b % 16);
    pixels.At(x, y) = left;
    pixels.At(x + 1, y) = right;
    surface.DrawPixel(x, y, left);
    surface.DrawPixel(x + 1, y, right);
    x += 2;
  }
}

}  // namespace

DisplayColour GenesisToRgb(std::uint8_t first, std::uint8_t second) {
  std::uint32_t blue = LevelToChannel(first % 16);
  std::uint32_t green = LevelToChannel(second / 16);
  std::uint32_t red = LevelToChannel(second % 16);
  return red + 256 * green + 65536 * blue;
}

ColourWord RgbToGenesis(DisplayColour colour) {
  std::uint8_t red = ChannelToLevel(colour & 0xFF);
  std::uint8_t green = ChannelToLevel((colour >> 8) & 0xFF);
  std::uint8_t blue = ChannelToLevel((colour >> 16) & 0xFF);
  return {blue, static_cast<std::uint8_t>(green * 16 + red)};
}

void DecodeTile(std::span<const std::uint8_t> source, const std::string& sourceName,
                Surface& surface, std::int32_t offset, std::int32_t tx, std::int32_t ty) {
  const auto length = static_cast<std::int64_t>(source.size());
  if (offset < 0) FailTileNegative(sourceName, offset, tx, ty);
  if (offset > length - kTileBytes) FailTilePastEnd(sourceName, length, offset, tx, ty);
  PlaceTile(source.subspan(static_cast<std::size_t>(offset)).first<kTileBytes>(), surface, tx, ty);
}

void DecodeTile(const std::string& sourcePath, Surface& surface, std::int32_t offset,
                std::int32_t tx, std::int32_t ty) {
  const BinaryFile file = BinaryFile::OpenForReading(sourcePath);
  if (offset < 0) FailTileNegative(sourcePath, offset, tx, ty);
  if (!file.Holds(offset, kTileBytes)) FailTilePastEnd(sourcePath, file.Size(), offset, tx, ty);
  TileBytes bytes{};
  file.ReadAt(offset, bytes);
  PlaceTile(bytes, surface, tx, ty);
}

TileBytes TileBytesAt(std::int32_t tx, std::int32_t ty) {
  const PixelGrid& pixels = G().SpritePixels;
  TileBytes bytes{};
  std::size_t i = 0;
  for (std::int32_t r = 0; r < 8; ++r) {
    for (std::int32_t c = 0; c < 8; c += 2) {
      std::int32_t x = 8 * tx + c;
      std::int32_t y = 8 * ty + r;
      bytes[i++] = static_cast<std::uint8_t>(16 * pixels.At(x, y) + pixels.At(x + 1, y));
    }
  }
  return bytes;
}

std::string CurrentWhiteList() {
  return GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite).Text("White");
}

void EncodeTile(std::int32_t tx, std::int32_t ty, const TileLineIndex& whiteList,
                const TileWriter& write) {
  if (G().TileMap.ValueOr0(tx, ty) != kTileWhite) return;
  const TileLine* line = whiteList.Find(tx, ty);
  if (line == nullptr) {
    ShowProcessingError();
    return;
  }
  write(line->Offset, TileBytesAt(tx, ty));
}

void EncodeTile(std::int32_t tx, std::int32_t ty, const TileLineIndex& whiteList,
                BinaryFile& file) {
  EncodeTile(tx, ty, whiteList,
             [&file](std::int64_t offset, std::span<const std::uint8_t> bytes) {
               file.WriteAt(offset, bytes);
             });
}

void EncodeTile(std::int32_t tx, std::int32_t ty, BinaryFile& file) {
  if (G().TileMap.ValueOr0(tx, ty) != kTileWhite) return;
  EncodeTile(tx, ty, TileLineIndex(ParseTileList(CurrentWhiteList())), file);
}

}  // namespace kerrow
