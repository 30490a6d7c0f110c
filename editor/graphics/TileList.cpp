#include "graphics/TileList.h"

#include <array>

#include "catalog/bDatabase.h"
#include "shell/Failure.h"

namespace kerrow {

std::vector<std::string_view> SplitTileListLines(std::string_view text) {
  std::vector<std::string_view> lines;
  if (text.empty()) return lines;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

TileLine ParseTileLine(std::string_view line) {
  std::array<std::string_view, 3> fields;
  std::size_t count = 0;
  std::size_t start = 0;
  while (count < fields.size()) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      fields[count++] = line.substr(start);
      break;
    }
    fields[count++] = line.substr(start, comma - start);
    start = comma + 1;
  }
  if (count < fields.size()) throw Failure(kErrSubscript, "Subscript out of range", "kerrow");
  // Converted in the order the loader hands them on: offset, column, row.
  TileLine parsed;
  parsed.Offset = TextToLong(fields[2]);
  parsed.Tx = TextToLong(fields[0]);
  parsed.Ty = TextToLong(fields[1]);
  return parsed;
}

bool FindTileLine(std::string_view text, std::int32_t tx, std::int32_t ty, TileLine& found) {
  for (std::string_view line : SplitTileListLines(text)) {
    TileLine parsed = ParseTileLine(line);
    if (parsed.Tx == tx && parsed.Ty == ty) {
      found = parsed;
      return true;
    }
  }
  return false;
}

}  // namespace kerrow
