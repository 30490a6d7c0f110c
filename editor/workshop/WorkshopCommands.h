// The workshop's commands without their windows: adding the open ROM's game
// and sprites chosen in the tile viewer to the catalog, dumping a compressed
// stream, compressing a file, the checksum fix and the catalog check. Every
// question goes through the active dialogs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalog/bIdentify.h"
#include "workshop/CatalogEdits.h"
#include "workshop/CatalogWriter.h"
#include "workshop/TileViewerLayout.h"

namespace kerrow {

inline constexpr const char* kWorkshopTitle = "Catalog Workshop";

// What the tile viewer shows: the ROM, or the decompressed data of a stream.
struct ViewerSource {
  std::string Path;
  std::string RomPath;  // the ROM the bytes come from; sprites are added only to its game
  bool Decompressed = false;
  std::int64_t StreamOffset = 0;  // where the stream starts in the ROM
  std::int64_t StreamLength = 0;  // its compressed length
};

// A rectangle of view positions, in tiles.
struct TileRect {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// The tiles of `rect` as tile-list lines relative to its corner; gaps of the
// arrangement and tiles past the end of the source are left out.
std::vector<TilePlacement> SelectionTiles(const TileViewerLayout& layout, TileRect rect,
                                          std::int64_t sourceSize);

// The tiles of the viewer's two selections, placed relative to the rectangle
// that holds both: the sprite's own, and the context tiles that do not cover them.
struct SelectedTiles {
  TileRect Bounds;
  std::vector<TilePlacement> White;
  std::vector<TilePlacement> Grey;
};
SelectedTiles TilesOfSelections(const TileViewerLayout& layout, TileRect own, TileRect context,
                                std::int64_t sourceSize);

// The selection cut into the arrangement's blocks, left to right and then top
// to bottom (the order they are stored in); empty unless the view is arranged
// in blocks and the selection is two or more whole blocks.
std::vector<TileRect> BlocksOf(const TileViewerLayout& layout, TileRect own);

// True when a ROM is open; otherwise says "Open a ROM first" in a box.
bool NeedsOpenRom();

// Whether the open ROM's serial names a game of the catalog (false when no
// catalog is open). A ROM that cannot be read throws.
bool RomGameIsCatalogued();

// Shows `heading` with one problem a line below it in a box; nothing when
// there are no problems.
void TellProblems(const std::string& heading, const std::vector<std::string>& problems);

// The "Database" text of the open ROM's game when that game's views are the
// ones open; empty when the ROM is not identified (or another game is open).
std::optional<std::string> OpenGameOfRom();

// The open ROM's "Games" row when its game's views are the ones open.
std::optional<CatalogGame> OpenCatalogGame();

// Why Tools > Add Game is not offered for the open ROM, for its status tip;
// empty when it is offered.
std::string WhyNoAddGame();

// Tools > Record ROM Fingerprint: records the open ROM's fingerprint in its
// game's row (asks first; for games catalogued without one).
void RecordFingerprintCommand();

// Tools > Add Game to Catalog: asks for the palette offset (starting from
// `suggestedPalette`), writes the game and identifies the ROM again. Returns
// the identity when the game was added; every refusal is shown in a box.
std::optional<GameIdentity> AddGameCommand(std::int64_t suggestedPalette);

struct AddedSprite {
  std::string Name;
  bool Compressed = false;
  std::vector<std::string> NewProblems;  // what the check finds now that it did not before
};

// Add Sprite from the viewer's selections: asks for the details (offering
// `viewerPalette`, the palette the viewer shows, when it is not the game's),
// writes the row, or one row per block of the selection when asked, in one
// change, and reopens the reading views. Empty when refused or cancelled.
std::optional<AddedSprite> AddSpriteCommand(const ViewerSource& source,
                                            const TileViewerLayout& layout, TileRect own,
                                            TileRect context,
                                            std::optional<std::int64_t> viewerPalette = {});

// Compression > Dump offset...: asks for an offset, decompresses the stream
// there into the viewer's own scratch file and reports its lengths. Empty when
// cancelled or when nothing decodes there.
std::optional<ViewerSource> DumpOffsetCommand();

// Compression > Compress Data...: compresses a chosen file into another.
void CompressDataCommand();

// Tools > Fix Checksum: asks first, then writes the two checksum bytes.
void FixChecksumCommand();

// Tools > Check Catalog...: shows every problem of the open ROM's catalog.
void CheckCatalogCommand();

// The problems of `after` that `before` did not have.
std::vector<std::string> NewProblems(const std::vector<std::string>& before,
                                     const std::vector<std::string>& after);

}  // namespace kerrow
