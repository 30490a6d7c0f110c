// Helpers for the graphics, palette, bridge and write-back tests: catalog rows
// held in memory, sized sprite buffers and patterned ROM images.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "catalog/bDatabase.h"
#include "shell/bGlobals.h"

namespace kerrow::test {

struct SpriteRow {
  std::string Name = "Hero";
  std::int64_t Palette = 0;
  std::int64_t Width = 2;
  std::int64_t Height = 2;
  FieldValue White = std::string();
  FieldValue Grey = std::string("-1");
  std::int64_t Offset = 0;   // COMPRESSED only
  std::int64_t MaxSize = 0;  // COMPRESSED only
};

// Puts `rows` into GameTables as table SPRITE (or COMPRESSED) and positions it
// on the first row, as sprite selection leaves it.
inline void InstallSpriteTable(const std::vector<SpriteRow>& rows, bool compressed = false) {
  std::vector<std::string> columns = {"Name",   "Heading", "Palette", "Width",
                                      "Height", "White",   "Grey"};
  if (compressed)
    columns = {"Name",  "SubHead", "Palette", "Width",  "Height",
               "White", "Grey",    "Offset",  "MaxSize"};
  std::vector<std::vector<FieldValue>> cells;
  for (const SpriteRow& row : rows) {
    std::vector<FieldValue> r = {row.Name,   std::int64_t{1}, row.Palette, row.Width,
                                 row.Height, row.White,       row.Grey};
    if (compressed) {
      r[1] = std::string("Group");
      r.push_back(row.Offset);
      r.push_back(row.MaxSize);
    }
    cells.push_back(std::move(r));
  }
  auto table = compressed ? kCompressed : kSprite;
  G().GameTables[table] =
      std::make_unique<TableView>(compressed ? "COMPRESSED" : "SPRITE", columns, std::move(cells));
  G().GameTables[table]->Seek(rows.front().Name);
}

// Fresh zero-filled SpritePixels and TileMap for a sprite of W x H tiles.
inline void SizeSprite(std::int32_t width, std::int32_t height) {
  G().SpritePixels = PixelGrid(8 * width, 8 * height);
  G().TileMap = PixelGrid(width, height);
}

// Bytes whose value depends on their position, so misplaced reads show.
inline std::vector<unsigned char> PatternBytes(std::size_t size, unsigned salt = 0) {
  std::vector<unsigned char> bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>((i * 7 + i / 256 + salt) & 0xFF);
  return bytes;
}

inline std::string Crlf(std::initializer_list<std::string> lines) {
  std::string text;
  bool first = true;
  for (const auto& line : lines) {
    if (!first) text += "\r\n";
    text += line;
    first = false;
  }
  return text;
}

}  // namespace kerrow::test
