#include "workshop/WorkshopCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "bridge/CompressionBridge.h"
#include "bridge/TempFiles.h"
#include "browser/SpriteSelection.h"
#include "catalog/bDatabase.h"
#include "graphics/BinaryFile.h"
#include "graphics/RegularFile.h"
#include "shell/Dialogs.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "workshop/CatalogCheck.h"
#include "workshop/HexText.h"
#include "workshop/RomHeader.h"
#include "workshop/StreamBound.h"
#include "workshop/StreamProbe.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

constexpr const char* kViewerDumpFile = "viewer-dump.bin";

void Tell(const std::string& text, MsgIcon icon = MsgIcon::Exclamation) {
  ActiveDialogs().Message(text, icon, MsgButtons::Ok, kWorkshopTitle);
}

std::vector<std::string> ProblemsOrNone(const std::string& rom) {
  try {
    return CheckCatalog(rom).Problems;
  } catch (const CheckImpossible&) {
    return {};
  }
}

// Reopens the game's reading views after a write; a loaded sprite keeps its
// record current, as Save ROM reads it from there.
void ReopenGameViews(const std::string& databaseText) {
  std::optional<std::pair<GameTable, std::string>> loaded;
  if (G().SpriteLoaded) {
    const GameTable table = G().SpriteIsCompressed ? kCompressed : kSprite;
    TableView& view = GameTableView(table);
    if (!view.Eof()) loaded.emplace(table, view.Text("Name"));
  }
  OpenGameDatabase(databaseText);
  if (loaded) GameTableView(loaded->first).Seek(loaded->second);
}

}  // namespace

bool NeedsOpenRom() {
  if (!G().RomPath.empty()) return true;
  Tell("Open a ROM first (File > Load...).");
  return false;
}

bool RomGameIsCatalogued() {
  return G().GamesTable && IdentifyRom(*G().GamesTable, G().RomPath, G().DataPath).Chosen;
}

void TellProblems(const std::string& heading, const std::vector<std::string>& problems) {
  if (problems.empty()) return;
  // A box has room for a screenful; the command line lists them all.
  constexpr std::size_t kShown = 30;
  std::string text = heading + "\r\n";
  for (std::size_t i = 0; i < problems.size() && i < kShown; ++i) text += "\r\n" + problems[i];
  if (problems.size() > kShown)
    text += "\r\n... and " + std::to_string(problems.size() - kShown) +
            " more (kerrow-cli check lists them all).";
  Tell(text);
}

std::vector<TilePlacement> SelectionTiles(const TileViewerLayout& layout, TileRect rect,
                                          std::int64_t sourceSize) {
  std::vector<TilePlacement> tiles;
  for (std::int32_t y = 0; y < rect.Height; ++y) {
    for (std::int32_t x = 0; x < rect.Width; ++x) {
      const auto offset = layout.OffsetAt(rect.X + x, rect.Y + y);
      if (!offset || *offset + 32 > sourceSize) continue;
      tiles.push_back({x, y, *offset});
    }
  }
  return tiles;
}

namespace {

// Positions of `rect` shifted to be relative to `origin`.
std::vector<TilePlacement> Shifted(std::vector<TilePlacement> tiles, TileRect rect,
                                   TileRect origin) {
  for (TilePlacement& tile : tiles) {
    tile.Tx += rect.X - origin.X;
    tile.Ty += rect.Y - origin.Y;
  }
  return tiles;
}

TileRect Union(TileRect a, TileRect b) {
  if (b.Empty()) return a;
  const std::int32_t left = std::min(a.X, b.X);
  const std::int32_t top = std::min(a.Y, b.Y);
  const std::int32_t right = std::max(a.X + a.Width, b.X + b.Width);
  const std::int32_t bottom = std::max(a.Y + a.Height, b.Y + b.Height);
  return {left, top, right - left, bottom - top};
}

}  // namespace

SelectedTiles TilesOfSelections(const TileViewerLayout& layout, TileRect own, TileRect context,
                                std::int64_t sourceSize) {
  SelectedTiles tiles;
  tiles.Bounds = Union(own, context);
  tiles.White = Shifted(SelectionTiles(layout, own, sourceSize), own, tiles.Bounds);
  if (!context.Empty()) {
    // Context tiles never cover the sprite's own: those stay editable.
    std::set<std::pair<std::int32_t, std::int32_t>> taken;
    for (const TilePlacement& tile : tiles.White) taken.insert({tile.Tx, tile.Ty});
    for (const TilePlacement& tile :
         Shifted(SelectionTiles(layout, context, sourceSize), context, tiles.Bounds))
      if (!taken.contains({tile.Tx, tile.Ty})) tiles.Grey.push_back(tile);
  }
  return tiles;
}

std::vector<TileRect> BlocksOf(const TileViewerLayout& layout, TileRect own) {
  if (layout.Order != TileOrder::BlockColumns || own.Empty() ||
      own.Width % layout.BlockWidth != 0 || own.Height % layout.BlockHeight != 0)
    return {};
  std::vector<TileRect> blocks;
  for (std::int32_t y = own.Y; y < own.Y + own.Height; y += layout.BlockHeight)
    for (std::int32_t x = own.X; x < own.X + own.Width; x += layout.BlockWidth)
      blocks.push_back({x, y, layout.BlockWidth, layout.BlockHeight});
  if (blocks.size() < 2) return {};
  return blocks;
}

std::vector<std::string> NewProblems(const std::vector<std::string>& before,
                                     const std::vector<std::string>& after) {
  const std::set<std::string> known(before.begin(), before.end());
  std::vector<std::string> added;
  for (const std::string& problem : after)
    if (!known.contains(problem)) added.push_back(problem);
  return added;
}

std::optional<std::string> OpenGameOfRom() {
  auto& g = G();
  if (g.RomPath.empty() || !g.GameDb || !g.GamesTable) return std::nullopt;
  if (!IdentifyRom(*g.GamesTable, g.RomPath, g.DataPath).Chosen) return std::nullopt;
  std::string text = g.GamesTable->Text("Database");
  std::error_code error;
  if (!fs::equivalent(ResolveDataFile(text), g.GameDb->Path(), error)) return std::nullopt;
  return text;
}

std::optional<CatalogGame> OpenCatalogGame() {
  auto& g = G();
  if (g.RomPath.empty() || !g.GameDb) return std::nullopt;
  std::optional<CatalogGame> game = FindCatalogGame(g.DataPath, g.RomPath);
  std::error_code error;
  if (!game || !fs::equivalent(game->DatabasePath, g.GameDb->Path(), error)) return std::nullopt;
  return game;
}

std::string WhyNoAddGame() {
  auto& g = G();
  if (g.RomPath.empty()) return "Add Game: open a ROM first (File > Load...).";
  if (!g.GamesTable) return "Add Game: the catalog is not open.";
  RomIdentification found;
  try {
    found = IdentifyRom(*g.GamesTable, g.RomPath, g.DataPath);
  } catch (const Failure& failure) {
    return "Add Game: the ROM cannot be read (" + failure.Description() + ").";
  }
  if (!found.Chosen) return "";
  const GameRowVerdict& row = found.Candidates[*found.Chosen];
  return "Add Game: this ROM is catalogued already, as the game with the ID \"" + row.Id + "\" (" +
         (row.HasFingerprint
              ? std::to_string(row.Agreement.Percent()) + "% of its fingerprint agrees)."
              : "by its serial; that game has no fingerprint to tell other ROMs "
                "with the same serial apart: record it with Tools > Record ROM "
                "Fingerprint while that game's own ROM is open).");
}

void RecordFingerprintCommand() {
  if (!NeedsOpenRom()) return;
  const std::optional<CatalogGame> game = OpenCatalogGame();
  if (!game) {
    Tell("The ROM \"" + G().RomPath +
         "\" is not in the catalog, so there is no game to record "
         "its fingerprint for.");
    return;
  }
  const std::string question =
      "Record this ROM's fingerprint for the game with the ID \"" + game->Id +
      "\"?\r\n\r\nROMs with the same serial but other contents will then no longer be taken "
      "for this game, and Add Game will be offered for them.";
  if (ActiveDialogs().Message(question, MsgIcon::Question, MsgButtons::YesNoCancel,
                              kWorkshopTitle) != MsgAnswer::Yes)
    return;
  try {
    RecordFingerprint(*game, G().RomPath);
  } catch (const CatalogWriteError& error) {
    Tell(error.what());
    return;
  }
  OpenCatalog();
  Tell("The fingerprint of \"" + G().RomPath + "\" is recorded for its game.",
       MsgIcon::Information);
}

std::optional<GameIdentity> AddGameCommand(std::int64_t suggestedPalette) {
  if (!NeedsOpenRom()) return std::nullopt;
  const std::vector<std::uint8_t> image = ReadRomImage(G().RomPath);
  if (RomGameIsCatalogued()) {
    Tell("This ROM's game is in the catalog already.", MsgIcon::Information);
    return std::nullopt;
  }
  const std::optional<std::string> typed = ActiveDialogs().InputText(
      "Offset of the game's palette in the ROM (find it in the Tile Viewer; decimal, or "
      "hexadecimal as 0x1F0):",
      "Add Game to Catalog", Hex(suggestedPalette));
  if (!typed) return std::nullopt;
  const std::optional<std::int64_t> palette = ParseOffsetText(*typed);
  if (!palette || *palette + 32 > static_cast<std::int64_t>(image.size()) || *palette > INT32_MAX) {
    Tell("\"" + *typed + "\" is no palette offset inside this ROM. No game was added.");
    return std::nullopt;
  }
  NewGame game;
  game.Id = CatalogIdFromImage(image);
  game.Name = GameNameFromImage(image);
  game.Palette = static_cast<std::int32_t>(*palette);
  game.RomPath = G().RomPath;
  try {
    AddGame(G().DataPath, game);
  } catch (const CatalogWriteError& error) {
    Tell(error.what());
    return std::nullopt;
  }
  OpenCatalog();
  std::optional<GameIdentity> identity = IdentifyGame();
  // A new game has nothing to compare with: whatever the check finds is new.
  TellProblems("The catalog check finds problems:", ProblemsOrNone(G().RomPath));
  return identity;
}

std::optional<AddedSprite> AddSpriteCommand(const ViewerSource& source,
                                            const TileViewerLayout& layout, TileRect own,
                                            TileRect context,
                                            std::optional<std::int64_t> viewerPalette) {
  if (!NeedsOpenRom()) return std::nullopt;
  const std::optional<std::string> databaseText = OpenGameOfRom();
  const std::optional<CatalogGame> catalogGame = OpenCatalogGame();
  if (!databaseText || !catalogGame) {
    Tell("The ROM \"" + G().RomPath +
         "\" is not in the catalog. Add its game first (Tools > Add Game to Catalog).");
    return std::nullopt;
  }
  if (source.RomPath != G().RomPath) {
    Tell(
        "The viewer shows data of another ROM than the one open now. Open the viewer again on "
        "this ROM first. Nothing was added.");
    return std::nullopt;
  }
  if (own.Empty()) {
    Tell("Select the sprite's tiles in the viewer first (drag over them with the left button).");
    return std::nullopt;
  }
  const std::int64_t sourceSize = BinaryFile::OpenForReading(source.Path).Size();
  const SelectedTiles selected = TilesOfSelections(layout, own, context, sourceSize);
  const TileRect bounds = selected.Bounds;
  const std::vector<TilePlacement>& white = selected.White;
  const std::vector<TilePlacement>& grey = selected.Grey;
  if (white.empty()) {
    Tell("The selection holds no whole tile.");
    return std::nullopt;
  }
  // Frames of an animation lie block after block: each can be a sprite of its own.
  const std::vector<TileRect> blocks = source.Decompressed ? std::vector<TileRect>{}
                                                           : BlocksOf(layout, own);

  const std::string databasePath = G().GameDb->Path();
  SpriteFormRequest request;
  request.compressed = source.Decompressed;
  // The headings as offered: the answer's group index points into these.
  std::vector<HeadingEntry> headings;
  if (source.Decompressed) {
    request.groups = ReadSubHeads(databasePath);
  } else {
    headings = ReadHeadings(databasePath);
    for (const HeadingEntry& heading : headings) request.groups.push_back(heading.Name);
  }
  request.widthTiles = bounds.Width;
  request.heightTiles = bounds.Height;
  request.contextAvailable = !grey.empty();
  request.maxSize = static_cast<std::int32_t>(source.StreamLength);
  // The palette the viewer shows the tiles in, unless it is the game's own.
  if (viewerPalette) {
    std::optional<std::int64_t> gamePalette;
    try {
      gamePalette = GameTableView(kNfo).Long("Palette");
    } catch (const Failure&) {
      // A game without a readable palette: the viewer's is offered as it is.
    }
    if (*viewerPalette != gamePalette) request.palette = *viewerPalette;
  }
  request.blockFrames = static_cast<std::int32_t>(blocks.size());
  request.blockWidth = layout.BlockWidth;
  request.blockHeight = layout.BlockHeight;
  const std::optional<SpriteFormAnswer> answer = ActiveDialogs().AskSpriteDetails(request);
  if (!answer) return std::nullopt;

  const std::int64_t romSize = BinaryFile::OpenForReading(G().RomPath).Size();
  if (answer->palette < 0 || answer->palette > INT32_MAX ||
      (answer->palette != 0 && answer->palette + 32 > romSize)) {
    Tell("The palette offset " + Hex(answer->palette) +
         " is not inside the ROM. Nothing was added.");
    return std::nullopt;
  }
  if (source.Decompressed && answer->maxSize > source.StreamLength) {
    const std::string warning =
        "The room of " + std::to_string(answer->maxSize) +
        " bytes is larger than the stream's own " + std::to_string(source.StreamLength) +
        " bytes. The " + std::to_string(answer->maxSize - source.StreamLength) +
        " bytes after the stream (from " + Hex(source.StreamOffset + source.StreamLength) +
        ") must be free: saving a larger sprite will overwrite them.\r\n\r\nUse this size?";
    if (ActiveDialogs().Message(warning, MsgIcon::Exclamation, MsgButtons::YesNoCancel,
                                kWorkshopTitle) != MsgAnswer::Yes)
      return std::nullopt;
  }
  // Whatever is unsaved belongs to the views about to be reopened.
  if (ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return std::nullopt;

  const std::vector<std::string> before = ProblemsOrNone(G().RomPath);
  std::string firstName = answer->name;  // the sprite to show afterwards
  // The fields both sprite tables share.
  auto describe = [&](NewSprite& sprite) {
    sprite.Name = answer->name;
    sprite.Palette = static_cast<std::int32_t>(answer->palette);  // inside the ROM
    sprite.Width = static_cast<std::int16_t>(bounds.Width);
    sprite.Height = static_cast<std::int16_t>(bounds.Height);
    sprite.White = FormatTileList(white);
    sprite.Grey = answer->useContext ? FormatTileList(grey) : std::string();
  };
  try {
    if (source.Decompressed) {
      NewCompressedSprite sprite;
      describe(sprite);
      sprite.SubHead = answer->groupIndex >= 0 &&
                               answer->groupIndex < static_cast<std::int32_t>(request.groups.size())
                           ? request.groups[answer->groupIndex]
                           : answer->newGroup;
      sprite.Offset = static_cast<std::int32_t>(source.StreamOffset);
      sprite.MaxSize = answer->maxSize;
      AddCatalogSprite(*catalogGame, sprite);
    } else {
      NewPlainSprite sprite;
      describe(sprite);
      if (answer->groupIndex >= 0) {
        if (answer->groupIndex < static_cast<std::int32_t>(headings.size()))
          sprite.Heading.ExistingId = headings[answer->groupIndex].Id;
        else
          sprite.Heading.ExistingId = -1;  // refused by the writer as missing
      } else {
        sprite.Heading.NewName = answer->newGroup;
      }
      if (answer->perBlock && !blocks.empty()) {
        // "NAME 1", "NAME 2", ...: one frame per block with a whole tile, no context.
        std::vector<NewPlainSprite> frames;
        for (const TileRect& block : blocks) {
          const SelectedTiles tiles = TilesOfSelections(layout, block, {}, sourceSize);
          if (tiles.White.empty()) continue;
          NewPlainSprite frame = sprite;
          frame.Name = answer->name + " " + std::to_string(frames.size() + 1);
          frame.Width = static_cast<std::int16_t>(block.Width);
          frame.Height = static_cast<std::int16_t>(block.Height);
          frame.White = FormatTileList(tiles.White);
          frame.Grey.clear();
          frames.push_back(std::move(frame));
        }
        AddCatalogSprites(*catalogGame, frames);
        firstName = frames.front().Name;
      } else {
        AddCatalogSprite(*catalogGame, sprite);
      }
    }
  } catch (const CatalogWriteError& error) {
    Tell(error.what());
    return std::nullopt;
  }
  ReopenGameViews(*databaseText);
  AddedSprite added{firstName, source.Decompressed,
                    NewProblems(before, ProblemsOrNone(G().RomPath))};
  return added;
}

std::optional<ViewerSource> DumpOffsetCommand() {
  if (!NeedsOpenRom()) return std::nullopt;
  const std::optional<std::string> typed = ActiveDialogs().InputText(
      "Offset of the compressed data in the ROM (decimal, or hexadecimal as 0x1F0):", "Dump offset",
      "0x0");
  if (!typed) return std::nullopt;
  const std::optional<std::int64_t> offset = ParseOffsetText(*typed);
  if (!offset) {
    Tell("\"" + *typed + "\" is no offset.");
    return std::nullopt;
  }
  ViewerSource source;
  source.Path = TempFilePath(kViewerDumpFile);
  source.RomPath = G().RomPath;
  source.Decompressed = true;
  source.StreamOffset = *offset;
  const std::vector<std::uint8_t> rom = ReadRomImage(G().RomPath);
  const std::optional<StreamInfo> info = ProbeStream(G().RomPath, rom, *offset, source.Path);
  if (!info) {
    Tell(DecodesPastBound(rom, *offset)
             ? "The stream at offset " + Hex(*offset) + " decompresses to more than " +
                   std::to_string(kDecompressionBound >> 20) +
                   " MiB, the most one decompression may produce; it was not dumped."
             : "Nothing at offset " + Hex(*offset) + " decompresses.");
    return std::nullopt;
  }
  source.StreamLength = info->CompressedLength;
  Tell("The compressed stream at " + Hex(*offset) + " is " +
           std::to_string(info->CompressedLength) + " bytes long and decompresses to " +
           std::to_string(info->DecompressedSize) + " bytes.",
       MsgIcon::Information);
  return source;
}

void CompressDataCommand() {
  const std::string from = ActiveDialogs().OpenFile(
      {"Compress Data: the file to compress", "All Files (*.*)|*.*", 4100, ""});
  if (from.empty()) return;
  // The library would wait on a FIFO for ever: only a regular file is compressed.
  const OpenedFile source = OpenRegularFile(from, O_RDONLY);
  if (source.Fd >= 0) ::close(source.Fd);
  if (!source.NotRegular.empty()) {
    Tell("\"" + from + "\" is " + source.NotRegular +
         ", not a regular file; only a file's data can be compressed. Nothing was written.");
    return;
  }
  const std::string to =
      ActiveDialogs().SaveFile({"Compress Data: save the compressed data as",
                                "Binary Images (*.bin)|*.bin|All Files (*.*)|*.*", 0, ""});
  if (to.empty()) return;
  std::error_code error;
  // The data goes into another file: never over its own source, and never over
  // the ROM being edited, whose sprites and palette the editor still writes.
  if (fs::equivalent(from, to, error)) {
    Tell("The compressed data cannot replace the file it comes from, \"" + from +
         "\". Choose another file. Nothing was written.");
    return;
  }
  if (!G().RomPath.empty() && fs::equivalent(to, G().RomPath, error)) {
    Tell("\"" + to + "\" is the ROM open in the editor. Choose another file. Nothing was written.");
    return;
  }
  const auto size = fs::file_size(from, error);
  if (VantorComp(from, to) == -1) {
    Tell("\"" + from + "\" could not be compressed; \"" + to + "\" was left as it was.");
    return;
  }
  Tell("Compressed " + std::to_string(size) + " bytes into " +
           std::to_string(fs::file_size(to, error)) + " bytes: \"" + to + "\".",
       MsgIcon::Information);
}

void FixChecksumCommand() {
  if (!NeedsOpenRom()) return;
  const RomHeader header = ReadRomHeader(G().RomPath);
  if (!header.StoredChecksum) {
    Tell("\"" + G().RomPath +
         "\" is too short to hold a cartridge header checksum (at 0x18E). Nothing was written.");
    return;
  }
  if (header.ChecksumMatches()) {
    Tell("The stored checksum " + Word(header.ComputedChecksum) + " is correct.",
         MsgIcon::Information);
    return;
  }
  const std::string question = "Write the computed checksum " + Word(header.ComputedChecksum) +
                               " over the stored " + Word(*header.StoredChecksum) +
                               "?\r\nOnly the two bytes at 0x18E of \"" + G().RomPath +
                               "\" change.";
  if (ActiveDialogs().Message(question, MsgIcon::Question, MsgButtons::YesNoCancel,
                              "Fix Checksum") != MsgAnswer::Yes)
    return;
  FixChecksum(G().RomPath);
}

void CheckCatalogCommand() {
  if (!NeedsOpenRom()) return;
  CheckReport report;
  try {
    report = CheckCatalog(G().RomPath);
  } catch (const CheckImpossible& impossible) {
    Tell(std::string("The catalog could not be checked: ") + impossible.what());
    return;
  }
  if (report.Problems.empty()) {
    Tell("No problems found in the catalog of \"" + report.GameName + "\".", MsgIcon::Information);
    return;
  }
  TellProblems(std::to_string(report.Problems.size()) + " problem(s) in the catalog of \"" +
                   report.GameName + "\":",
               report.Problems);
}

}  // namespace kerrow
