#include "workshop/CatalogCheck.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <unordered_set>

#include "bridge/TempFiles.h"
#include "catalog/bDatabase.h"
#include "catalog/bIdentify.h"
#include "graphics/BinaryFile.h"
#include "graphics/TileList.h"
#include "graphics/bGenTile.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "workshop/HexText.h"
#include "workshop/StreamBound.h"
#include "workshop/StreamProbe.h"

namespace kerrow {

namespace {

// A text field that may be null (read as "").
std::string TextOrEmpty(const TableView& view, std::size_t column) {
  try {
    return view.TextAt(column);
  } catch (const Failure& failure) {
    if (failure.Number() != kErrInvalidNull) throw;
    return "";
  }
}

// Rows named in one line about rows writing the same bytes; the rest are counted.
constexpr std::size_t kNamedPerGroup = 8;

// A range of ROM bytes that a sprite writes back.
struct Write {
  std::int64_t Start;
  std::int64_t End;
  std::size_t Owner;  // index into the owner names
};

// How far a range swept so far reaches, and whose it is.
struct Reach {
  std::int64_t End = std::numeric_limits<std::int64_t>::min();
  std::size_t Owner = std::numeric_limits<std::size_t>::max();
};

// Rows joined into groups (union by size, paths halved), each remembering the
// first byte two of its rows share.
class OwnerGroups {
 public:
  struct Group {
    std::vector<std::size_t> Members;  // in row order
    std::int64_t FirstShared = 0;
  };

  explicit OwnerGroups(std::size_t count) : parent_(count), size_(count, 1), first_(count) {
    for (std::size_t i = 0; i < count; ++i) parent_[i] = i;
  }

  void Join(std::size_t a, std::size_t b, std::int64_t sharedAt) {
    a = Root(a);
    b = Root(b);
    if (a != b) {
      if (size_[a] < size_[b]) std::swap(a, b);
      parent_[b] = a;
      size_[a] += size_[b];
      if (first_[b]) first_[a] = first_[a] ? std::min(*first_[a], *first_[b]) : first_[b];
    }
    first_[a] = first_[a] ? std::min(*first_[a], sharedAt) : sharedAt;
  }

  // Groups of more than one row, ordered by their first row.
  std::vector<Group> Groups() {
    std::vector<Group> groups;
    std::vector<std::size_t> slot(parent_.size(), std::numeric_limits<std::size_t>::max());
    for (std::size_t i = 0; i < parent_.size(); ++i) {
      const std::size_t root = Root(i);
      if (size_[root] < 2) continue;
      if (slot[root] == std::numeric_limits<std::size_t>::max()) {
        slot[root] = groups.size();
        groups.push_back({{}, first_[root].value_or(0)});
      }
      groups[slot[root]].Members.push_back(i);
    }
    return groups;
  }

 private:
  std::size_t Root(std::size_t i) {
    while (parent_[i] != i) {
      parent_[i] = parent_[parent_[i]];
      i = parent_[i];
    }
    return i;
  }

  std::vector<std::size_t> parent_;
  std::vector<std::size_t> size_;
  std::vector<std::optional<std::int64_t>> first_;
};

class Checker {
 public:
  Checker(const Database& game, std::int64_t romSize, std::string romPath)
      : game_(game), romSize_(romSize), romPath_(std::move(romPath)) {}

  std::vector<std::string> Run() {
    CheckNfo();
    CheckHeadings();
    CheckSprites("SPRITE", false);
    CheckSprites("COMPRESSED", true);
    ReportOverlaps();
    return std::move(problems_);
  }

 private:
  void Problem(const std::string& where, const std::string& what) {
    problems_.push_back(where + ": " + what);
  }

  // The table, or nothing (reported) when it or one of `fields` is missing.
  std::unique_ptr<TableView> Table(const std::string& name, std::vector<std::string> fields) {
    std::unique_ptr<TableView> table;
    try {
      table = game_.OpenTable(name);
    } catch (const Failure& failure) {
      // Locked by another program since it was opened: nothing can be told about it.
      if (failure.Number() == kErrCatalogInUse)
        throw CheckImpossible(failure.Description(), failure.Number());
      Problem(name, "the table is missing");
      return nullptr;
    }
    bool complete = true;
    for (const std::string& field : fields) {
      try {
        table->FieldIndex(field);
      } catch (const Failure&) {
        Problem(name, "the field \"" + field + "\" is missing");
        complete = false;
      }
    }
    return complete ? std::move(table) : nullptr;
  }

  // A negative offset from a damaged row (a 32-bit field) as typed, not as
  // its 64-bit pattern.
  static std::string SignedHex(std::int64_t value) {
    return value < 0 ? "-" + Hex(-value) : Hex(value);
  }

  void CheckPalette(const std::string& where, std::int64_t offset) {
    if (offset < 0)
      Problem(where, "the palette at " + SignedHex(offset) + " is before the start of the ROM");
    else if (offset + kTileBytes > romSize_)
      Problem(where, "the palette at " + Hex(offset) + " reaches past the end of the ROM (" +
                         std::to_string(romSize_) + " bytes)");
  }

  void CheckNfo() {
    auto nfo = Table("NFO", {"Name", "Palette"});
    if (!nfo) return;
    if (nfo->Eof()) {
      Problem("NFO", "the table has no row");
      return;
    }
    try {
      CheckPalette("NFO \"" + nfo->Text("Name") + "\"", nfo->Long("Palette"));
    } catch (const Failure& failure) {
      Problem("NFO", "the first row cannot be read (" + failure.Description() + ")");
    }
  }

  void CheckHeadings() {
    auto head = Table("HEAD", {"ID", "Name"});
    if (!head) return;
    std::int32_t row = 1;
    for (; !head->Eof(); head->MoveNext(), ++row) {
      try {
        if (!headings_.insert(head->Text("ID")).second)
          Problem("HEAD row " + std::to_string(row), "the ID " + head->Text("ID") + " repeats");
        head->Text("Name");
      } catch (const Failure& failure) {
        Problem("HEAD row " + std::to_string(row),
                "cannot be read (" + failure.Description() + ")");
      }
    }
  }

  // Checks one tile list; returns the largest end offset its tiles need.
  std::int64_t CheckTileList(const std::string& where, const std::string& field,
                             const std::string& text, std::int32_t width, std::int32_t height,
                             std::optional<std::int64_t> sourceSize,
                             std::optional<std::size_t> owner) {
    std::int64_t needed = 0;
    const auto lines = SplitTileListLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string line = field + " line " + std::to_string(i + 1);
      TileLine tile;
      try {
        tile = ParseTileLine(lines[i]);
      } catch (const Failure&) {
        Problem(where, line + " does not parse (\"" + std::string(lines[i]) + "\")");
        continue;
      }
      if (tile.Tx < 0 || tile.Ty < 0 || tile.Tx >= width || tile.Ty >= height)
        Problem(where, line + ": tile position " + std::to_string(tile.Tx) + "," +
                           std::to_string(tile.Ty) + " is outside the " + std::to_string(width) +
                           "x" + std::to_string(height) + " sprite");
      const std::int64_t end = std::int64_t{tile.Offset} + kTileBytes;
      if (tile.Offset < 0) {
        Problem(where, line + ": the offset " + std::to_string(tile.Offset) + " is negative");
        continue;
      }
      needed = std::max(needed, end);
      if (sourceSize && end > *sourceSize) {
        // Never written (a save refuses it), so it takes no part in overlaps.
        Problem(where, line + ": the tile at " + Hex(tile.Offset) +
                           " reaches past the end of the ROM (" + std::to_string(*sourceSize) +
                           " bytes)");
        continue;
      }
      if (owner) writes_.push_back({tile.Offset, end, *owner});
    }
    return needed;
  }

  void CheckSprites(const std::string& table, bool compressed) {
    std::vector<std::string> fields = {"Name", "Palette", "Width", "Height", "White", "Grey"};
    fields.push_back(compressed ? "SubHead" : "Heading");
    if (compressed) {
      fields.push_back("Offset");
      fields.push_back("MaxSize");
    }
    auto view = Table(table, fields);
    if (!view) return;
    // Fields are found once; each row then reads them by position.
    const std::size_t nameAt = view->FieldIndex("Name");
    const std::size_t groupAt = view->FieldIndex(compressed ? "SubHead" : "Heading");
    const std::size_t paletteAt = view->FieldIndex("Palette");
    const std::size_t widthAt = view->FieldIndex("Width");
    const std::size_t heightAt = view->FieldIndex("Height");
    const std::size_t whiteAt = view->FieldIndex("White");
    const std::size_t greyAt = view->FieldIndex("Grey");
    std::unordered_set<std::string> names;
    names.reserve(static_cast<std::size_t>(view->RecordCount()));
    const auto rows = static_cast<std::size_t>(view->RecordCount());
    owners_.reserve(owners_.size() + rows);
    writes_.reserve(writes_.size() + 4 * rows);
    std::int32_t row = 1;
    for (; !view->Eof(); view->MoveNext(), ++row) {
      std::string where;
      try {
        const std::string name = view->TextAt(nameAt);
        where.reserve(table.size() + name.size() + 3);
        where.append(table).append(" \"").append(name).append("\"");
        if (!names.insert(name).second) Problem(where, "the name is used by an earlier row");
        if (compressed && plainNames_.contains(name))
          Problem(where, "the name is also a sprite of SPRITE");
        const std::string group = view->TextAt(groupAt);
        if (!compressed && !headings_.contains(group))
          Problem(where, "the heading " + group + " does not exist");
        const std::int32_t palette = TextToLong(view->TextAt(paletteAt));
        if (palette != 0) CheckPalette(where, palette);
        const std::int32_t width = TextToInteger(view->TextAt(widthAt));
        const std::int32_t height = TextToInteger(view->TextAt(heightAt));
        if (width < 1 || height < 1)
          Problem(where, "the size " + std::to_string(width) + "x" + std::to_string(height) +
                             " holds no tile");
        const std::string white = view->TextAt(whiteAt);
        const std::string grey = TextOrEmpty(*view, greyAt);
        const bool hasGrey = !grey.empty() && !(grey == "-1" && !compressed);
        owners_.push_back(where);
        const std::size_t owner = owners_.size() - 1;
        if (!compressed) {
          CheckTileList(where, "White", white, width, height, romSize_, owner);
          if (hasGrey) CheckTileList(where, "Grey", grey, width, height, romSize_, std::nullopt);
          continue;
        }
        std::int64_t needed =
            CheckTileList(where, "White", white, width, height, std::nullopt, std::nullopt);
        if (hasGrey)
          needed = std::max(needed, CheckTileList(where, "Grey", grey, width, height, std::nullopt,
                                                  std::nullopt));
        CheckStream(where, view->Long("Offset"), view->Long("MaxSize"), needed, owner);
      } catch (const Failure& failure) {
        if (where.empty()) where = table + " row " + std::to_string(row);
        Problem(where, "a field cannot be read (" + failure.Description() + ")");
      }
    }
    if (!compressed) plainNames_ = std::move(names);
  }

  void CheckStream(const std::string& where, std::int64_t offset, std::int64_t maxSize,
                   std::int64_t needed, std::size_t owner) {
    if (maxSize < 1) Problem(where, "MaxSize " + std::to_string(maxSize) + " leaves no room");
    if (offset < 0 || offset >= romSize_) {
      Problem(where, "the Offset " + SignedHex(offset) + " is outside the ROM");
      return;
    }
    if (offset + maxSize > romSize_)
      Problem(where, "the room of MaxSize " + std::to_string(maxSize) + " at " + Hex(offset) +
                         " reaches past the end of the ROM");
    writes_.push_back({offset, offset + std::max<std::int64_t>(maxSize, 1), owner});
    auto cached = streams_.find(offset);
    if (cached == streams_.end())
      cached =
          streams_
              .emplace(offset, ProbeStream(romPath_, RomBytes(), offset, TempFilePath("check.bin")))
              .first;
    const std::optional<StreamInfo>& stream = cached->second;
    if (!stream) {
      Problem(where, DecodesPastBound(RomBytes(), offset)
                         ? "the compressed stream at " + Hex(offset) + " decodes to more than " +
                               std::to_string(kDecompressionBound >> 20) + " MiB"
                         : "the compressed stream at " + Hex(offset) + " does not decode");
      return;
    }
    if (stream->DecompressedSize < needed)
      Problem(where, "the stream at " + Hex(offset) + " decodes to " +
                         std::to_string(stream->DecompressedSize) + " bytes, but its tiles need " +
                         std::to_string(needed));
    if (stream->CompressedLength > maxSize)
      Problem(where, "the stream at " + Hex(offset) + " is " +
                         std::to_string(stream->CompressedLength) +
                         " bytes long, more than its MaxSize of " + std::to_string(maxSize));
  }

  // Rows whose writes share bytes, directly or through other rows, form one
  // group and one line: the first row, up to kNamedPerGroup others, then a
  // count. The ranges are swept once in order of their start, so time and
  // memory follow the number of ranges, however many rows pile onto the same
  // bytes.
  void ReportOverlaps() {
    std::sort(writes_.begin(), writes_.end(), [](const Write& a, const Write& b) {
      return a.Start != b.Start ? a.Start < b.Start : a.Owner < b.Owner;
    });
    OwnerGroups groups(owners_.size());
    // Of the ranges swept so far: the one reaching furthest, and the one
    // reaching furthest among the other owners. Every earlier range that
    // overlaps a new one covers its start, so these two decide whether the new
    // range shares bytes with another row.
    Reach furthest, furthestOther;
    for (const Write& write : writes_) {
      const Reach& partner = write.Owner != furthest.Owner ? furthest : furthestOther;
      if (partner.End > write.Start) groups.Join(write.Owner, partner.Owner, write.Start);
      if (write.Owner == furthest.Owner) {
        furthest.End = std::max(furthest.End, write.End);
      } else if (write.End > furthest.End) {
        furthestOther = furthest;
        furthest = {write.End, write.Owner};
      } else if (write.End > furthestOther.End) {
        furthestOther = {write.End, write.Owner};
      }
    }
    for (const OwnerGroups::Group& group : groups.Groups()) {
      std::string others;
      const std::size_t named = std::min(group.Members.size() - 1, kNamedPerGroup);
      for (std::size_t i = 1; i <= named; ++i) {
        if (i > 1) others += i == named && named == group.Members.size() - 1 ? " and " : ", ";
        others += owners_[group.Members[i]];
      }
      if (named < group.Members.size() - 1)
        others += " and " + std::to_string(group.Members.size() - 1 - named) + " more rows";
      Problem(owners_[group.Members.front()],
              "writes the same ROM bytes as " + others + " (at " + Hex(group.FirstShared) + ")");
    }
  }

  // Read once, on the first compressed stream: every stream is probed in it.
  const std::vector<std::uint8_t>& RomBytes() {
    if (!romBytes_) romBytes_ = BinaryFile::OpenForReading(romPath_).ReadAll();
    return *romBytes_;
  }

  const Database& game_;
  std::int64_t romSize_;
  std::string romPath_;
  std::optional<std::vector<std::uint8_t>> romBytes_;
  std::vector<std::string> problems_;
  std::unordered_set<std::string> headings_;
  std::unordered_set<std::string> plainNames_;
  std::vector<std::string> owners_;
  std::vector<Write> writes_;
  std::map<std::int64_t, std::optional<StreamInfo>> streams_;
};

}  // namespace

CheckReport CheckCatalog(const std::string& romPath) {
  CheckReport report;
  std::unique_ptr<Database> game;
  std::int64_t romSize = 0;
  try {
    romSize = BinaryFile::OpenForReading(romPath).Size();
    auto catalog = Database::Open(G().DataPath + "game.mdb");
    auto games = catalog->OpenTable("Games");
    if (!IdentifyRom(*games, romPath, G().DataPath).Chosen)
      throw CheckImpossible("No catalogued game matches the ROM \"" + romPath + "\".");
    report.DatabasePath = ResolveDataFile(games->Text("Database"));
    game = Database::Open(report.DatabasePath);
  } catch (const Failure& failure) {
    throw CheckImpossible(failure.Description(), failure.Number());
  }
  try {
    auto nfo = game->OpenTable("NFO");
    if (!nfo->Eof()) report.GameName = nfo->Text("Name");
  } catch (const Failure&) {
    // Reported by the check itself.
  }
  report.Problems = Checker(*game, romSize, romPath).Run();
  return report;
}

}  // namespace kerrow
