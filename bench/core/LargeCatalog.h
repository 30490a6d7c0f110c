// The full-size game catalog the core benchmarks read: the most rows a table
// may hold, 200 headings and 2x2-tile sprites.
#pragma once

#include <string>

#include "BenchCatalog.h"

namespace kerrow::bench {

inline constexpr int kLargeRows = 32767;
inline constexpr int kLargeHeadings = 200;

// The white list of a 2x2-tile sprite whose four tiles follow each other from
// the ROM offset the SQL expression `base` gives.
inline std::string TwoByTwoWhite(const std::string& base) {
  std::string list;
  const char* corners[] = {"'0,0,'", "'1,0,'", "'0,1,'", "'1,1,'"};
  for (int t = 0; t < 4; ++t) {
    if (t != 0) list += " || char(13, 10) || ";
    list += std::string(corners[t]) + " || (" + base + " + " + std::to_string(32 * t) + ")";
  }
  return list;
}

// SQL starting a large catalog: its NFO row with `palette`, the counting view
// N(i) over [first, first + kLargeRows) and the headings 1 to kLargeHeadings.
inline std::string LargeCatalogStart(int palette, int first) {
  return "INSERT INTO NFO VALUES ('Big', " + std::to_string(palette) + ", 1, 'bench', '');" +
         CountingView(first, first + kLargeRows - 1) +
         "INSERT INTO HEAD SELECT i, 'Heading ' || i FROM N WHERE i BETWEEN 1 AND " +
         std::to_string(kLargeHeadings) + ";";
}

// SQL for one SPRITE row per value of N: sprite i's tiles at offset i * 128,
// spread over its headings in turn, with `grey` (SQL) as its context tiles.
inline std::string LargeSpriteRows(const std::string& grey) {
  return "INSERT INTO SPRITE SELECT 'Sprite ' || i, 1 + i % " + std::to_string(kLargeHeadings) +
         ", 0, 2, 2, " + TwoByTwoWhite("i * 128") + ", " + grey + " FROM N;";
}

}  // namespace kerrow::bench
