#include "graphics/TileList.h"

#include <algorithm>
#include <array>
#include <utility>

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

std::vector<TileLine> ParseTileList(std::string_view text) {
  std::vector<TileLine> lines;
  for (std::string_view line : SplitTileListLines(text)) lines.push_back(ParseTileLine(line));
  return lines;
}

namespace {

std::uint64_t PositionKey(std::int32_t tx, std::int32_t ty) {
  return (std::uint64_t{static_cast<std::uint32_t>(ty)} << 32) | static_cast<std::uint32_t>(tx);
}

}  // namespace

TileLineIndex::TileLineIndex(std::vector<TileLine> lines) : lines_(std::move(lines)) {
  order_.reserve(lines_.size());
  for (std::size_t i = 0; i < lines_.size(); ++i)
    order_.emplace_back(PositionKey(lines_[i].Tx, lines_[i].Ty), i);
  std::sort(order_.begin(), order_.end());
}

const TileLine* TileLineIndex::Find(std::int32_t tx, std::int32_t ty) const {
  const std::uint64_t key = PositionKey(tx, ty);
  auto at = std::lower_bound(order_.begin(), order_.end(), std::make_pair(key, std::size_t{0}));
  return at != order_.end() && at->first == key ? &lines_[at->second] : nullptr;
}

}  // namespace kerrow
