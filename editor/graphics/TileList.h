// Tile lists of the catalog ("White", "Grey"): lines split at CR LF, each line
// "column,row,offset" read with the catalog's text-to-integer rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kerrow {

struct TileLine {
  std::int32_t Tx = 0;
  std::int32_t Ty = 0;
  std::int32_t Offset = 0;
  bool operator==(const TileLine&) const = default;
};

// The lines of a list; an empty text has none, a text ending with CR LF has an
// empty last line.
std::vector<std::string_view> SplitTileListLines(std::string_view text);

// One line: failure 9 with fewer than three fields, 13 when a field is not a number.
TileLine ParseTileLine(std::string_view line);

// The first line naming (tx, ty), in list order; lines are parsed up to and
// including that one, so a malformed earlier line still fails.
bool FindTileLine(std::string_view text, std::int32_t tx, std::int32_t ty, TileLine& found);

}  // namespace kerrow
