// Correcting the catalog: renaming, moving, editing and deleting sprites and
// headings, a game's settings, removing a game, recording a ROM's fingerprint,
// and undoing such changes.
//
// Every change runs in one transaction over the catalog file game.mdb and the
// game's own database together, and records in game.mdb how to undo it, so a
// later run can undo it too. A refused or failed change throws
// CatalogWriteError and leaves every file byte for byte as it was. The
// editor's reading views are not touched: the caller reopens them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog/bDatabase.h"
#include "workshop/CatalogWriter.h"

namespace kerrow {

// One "Games" row: the game a change is about.
struct CatalogGame {
  std::string DataPath;      // the data directory, ending with a separator
  std::int64_t Number = 0;   // "Games" "Number", the row's key
  std::string Id;            // "Games" "ID", the serial prefix
  std::string DatabaseText;  // "Games" "Database" as written in the row
  std::string DatabasePath;  // that file, resolved against DataPath
};

// The game the ROM at `romPath` is identified as, by the catalog in
// `dataPath`; empty when none. Failures to read the catalog or the ROM throw
// kerrow::Failure.
std::optional<CatalogGame> FindCatalogGame(const std::string& dataPath, const std::string& romPath);

// The logged forms of the workshop's additions (CatalogWriter.h): the same
// checks and refusals, plus an undo step. AddCatalogGame records the ROM's
// fingerprint in the new row when `game.RomPath` names the ROM.
CatalogGame AddCatalogGame(const std::string& dataPath, const NewGame& game);
void AddCatalogSprite(const CatalogGame& game, const NewPlainSprite& sprite);
void AddCatalogSprite(const CatalogGame& game, const NewCompressedSprite& sprite);
// Several plain sprites as one change (frames of one selection): all or none,
// under one heading (a new heading is made once).
void AddCatalogSprites(const CatalogGame& game, const std::vector<NewPlainSprite>& sprites);

// `table` is kSprite or kCompressed. Refused: no sprite of that name there,
// an empty new name, or one any sprite of the game already has.
void RenameSprite(const CatalogGame& game, GameTable table, const std::string& oldName,
                  const std::string& newName);

// Lists a plain sprite under another heading (an existing one by "ID", or a new
// one by name, as Add Sprite does). Refused as AddPlainSprite refuses headings.
void MoveSprite(const CatalogGame& game, const std::string& name, const HeadingChoice& heading);
// Lists a compressed sprite under another group (refused: an empty group name).
void MoveCompressedSprite(const CatalogGame& game, const std::string& name,
                          const std::string& subHead);

// The fields of a sprite that Edit may change; unset ones stay as they are.
struct SpriteChanges {
  std::optional<std::int16_t> Width;
  std::optional<std::int16_t> Height;
  std::optional<std::int32_t> Palette;  // 0 = the game's palette
  std::optional<std::string> White;     // a tile list (FormatTileList), not empty
  std::optional<std::string> Grey;      // a tile list, or "" for none
  std::optional<std::int32_t> Offset;   // compressed sprites only
  std::optional<std::int32_t> MaxSize;  // compressed sprites only, at least 1
};

// The sprite's current fields, as Edit starts from them. No such sprite is
// refused (CatalogWriteError); a database that does not read throws Failure.
struct CatalogSprite {
  std::string Name;
  std::string Group;  // "HEAD" "ID" as text for plain sprites, "SubHead" for compressed
  std::int32_t Palette = 0;
  std::int16_t Width = 0;
  std::int16_t Height = 0;
  std::string White;
  std::string Grey;  // "" when it has none
  std::int32_t Offset = 0;
  std::int32_t MaxSize = 0;
};
CatalogSprite ReadCatalogSprite(const CatalogGame& game, GameTable table, const std::string& name);

// Refused: no such sprite, a size outside 1..255, an empty tile list, a tile
// list line that does not read as three numbers, a tile outside the new size.
void EditSprite(const CatalogGame& game, GameTable table, const std::string& name,
                const SpriteChanges& changes);

// Removes the sprite's row. Refused: no such sprite.
void DeleteSprite(const CatalogGame& game, GameTable table, const std::string& name);

// Refused: no such heading, an empty name, a name another heading has.
void RenameHeading(const CatalogGame& game, std::int64_t headingId, const std::string& newName);
// Refused: no such heading, or sprites are still listed under it.
void DeleteHeading(const CatalogGame& game, std::int64_t headingId);

// Tools > Game Settings: "NFO" "Name" and "Palette".
struct GameSettings {
  std::string Name;
  std::int32_t Palette = 0;
};
GameSettings ReadGameSettings(const CatalogGame& game);
// Refused: an empty name, a negative palette offset.
void ChangeGameSettings(const CatalogGame& game, const GameSettings& settings);

// Removes the game's "Games" row; its database file stays where it is.
void RemoveGame(const CatalogGame& game);

// Records the fingerprint of the ROM at `romPath` in the game's row, replacing
// any earlier one. Refused: a ROM whose serial the row's ID does not name.
void RecordFingerprint(const CatalogGame& game, const std::string& romPath);

// A recorded change that can be undone, newest first.
struct CatalogUndoStep {
  std::int64_t Step = 0;    // increases with every change
  std::string Description;  // e.g. Rename sprite "Hero" to "Hero 1"
  std::string GameId;       // the serial prefix of the game it changed
  std::string Target;       // the game database it changed ("Database" text), or empty
};
std::vector<CatalogUndoStep> CatalogUndoSteps(const std::string& dataPath);

// Undoes the newest recorded change and forgets it; returns its description.
// With `expectedStep`, refused unless that is the newest step (another
// program changed the catalog in between). Refused: nothing to undo, or the
// files no longer allow it (a row it would restore exists again).
std::string UndoCatalogChange(const std::string& dataPath,
                              std::optional<std::int64_t> expectedStep = std::nullopt);

}  // namespace kerrow
