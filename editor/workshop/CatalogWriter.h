// Writing the catalog: new games and new sprites. Every action opens its own
// writable connection and runs in one transaction, so a refusal or a failure
// leaves the files as they were. The editor's reading views are separate and
// must be reopened by the caller after a write.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kerrow {

// A refused or failed catalog write, with a message for the user.
class CatalogWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr const char* kSchemaFileName = "catalog-schema.sql";

struct NewGame {
  std::string Id;            // the serial prefix identification compares
  std::string Name;          // "NFO" "Name"
  std::int32_t Palette = 0;  // "NFO" "Palette"
  // The ROM the game is added for: its fingerprint goes into the new row, and
  // rows of the same serial whose fingerprints disagree do not stand in the way.
  std::string RomPath = {};
};

// Creates the game's database in `dataPath` from the schema file there (its
// game tables only) with one "NFO" row, then adds a "Games" row pointing at it
// to `dataPath`/game.mdb. Returns the new database's file name (relative to
// `dataPath`). Refused: an empty ID, one that is not printable text, an ID a
// catalogued game already matches with, a catalog that cannot be written. An
// existing file is never replaced. With `game.RomPath` an ID may repeat one a
// row already has, as long as that row does not identify the ROM.
std::string AddGame(const std::string& dataPath, const NewGame& game);

// Where a new sprite goes: an existing heading by its "ID", or a new one by name.
struct HeadingChoice {
  std::optional<std::int64_t> ExistingId;
  std::string NewName;
};

struct NewSprite {
  std::string Name;
  std::int32_t Palette = 0;  // 0 = the game's palette
  std::int16_t Width = 0;
  std::int16_t Height = 0;
  std::string White;  // tile list, CR LF between lines
  std::string Grey;   // tile list, or "" for none
};

struct NewPlainSprite : NewSprite {
  HeadingChoice Heading;
};

struct NewCompressedSprite : NewSprite {
  std::string SubHead;  // an existing group's text or a new one
  std::int32_t Offset = 0;
  std::int32_t MaxSize = 0;
};

// Adds a "SPRITE" row (and a new "HEAD" row when asked) to the game database
// at `databasePath`. Refused: an empty or duplicate sprite name (in either
// sprite table), a missing heading, a new heading whose name exists, an empty
// tile list, a size outside 1..255 tiles, a catalog that cannot be written.
void AddPlainSprite(const std::string& databasePath, const NewPlainSprite& sprite);
// Adds a "COMPRESSED" row; refused as above, and for an empty group name or a
// MaxSize below 1.
void AddCompressedSprite(const std::string& databasePath, const NewCompressedSprite& sprite);

// A tile list in the catalog's line format: "tx,ty,offset" lines joined by CR LF.
struct TilePlacement {
  std::int32_t Tx = 0;
  std::int32_t Ty = 0;
  std::int64_t Offset = 0;
};
std::string FormatTileList(const std::vector<TilePlacement>& tiles);

// The "HEAD" rows and distinct "SubHead" texts of a game database, for the
// Add Sprite dialog.
struct HeadingEntry {
  std::int64_t Id = 0;
  std::string Name;
};
std::vector<HeadingEntry> ReadHeadings(const std::string& databasePath);
std::vector<std::string> ReadSubHeads(const std::string& databasePath);

}  // namespace kerrow
