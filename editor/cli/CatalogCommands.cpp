// kerrow-cli identify ROM, and kerrow-cli catalog ...: cataloguing from the
// command line through the same writer, refusals and undo steps as the window.
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "bridge/TempFiles.h"
#include "catalog/bIdentify.h"
#include "cli/CatalogSubcommands.h"
#include "cli/CliSession.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"
#include "workshop/CatalogEdits.h"
#include "workshop/ConsecutiveTiles.h"
#include "workshop/RomHeader.h"
#include "workshop/StreamProbe.h"
#include "workshop/TileViewerLayout.h"

namespace kerrow::cli {

namespace {

namespace fs = std::filesystem;

int Fail(int status, const std::string& message) {
  return CliSession::Fail(status, message);
}

std::string AbsoluteDataPath(const CliContext& context) {
  std::error_code error;
  std::string path = fs::absolute(context.dataPath, error).string();
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  return fs::absolute(path, error).string();
}

// The serial as a person reads it: up to the checksum that follows it in the
// header, without trailing blanks, bytes that are no printable text as dots.
std::string ShownSerial(const std::string& serial) {
  constexpr std::size_t kBeforeChecksum = 0x18E - kSerialOffset;
  std::string shown;
  for (const char c : serial.substr(0, kBeforeChecksum))
    shown += (c >= 0x20 && c <= 0x7E) ? c : '.';
  while (!shown.empty() && (shown.back() == ' ' || shown.back() == '.')) shown.pop_back();
  return shown;
}

std::string GameName(const std::string& dataPath, const std::string& databaseText) {
  try {
    auto database = Database::Open(ResolveDataFileIn(dataPath, databaseText));
    auto nfo = database->OpenTable("NFO");
    if (!nfo->Eof()) return nfo->Text("Name");
  } catch (const Failure&) {
  }
  return "(its database cannot be read)";
}

// Arguments: positional ones, and options that take a value or stand alone.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;
  std::string error;

  std::optional<std::string> Option(const std::string& name) const {
    const auto found = options.find(name);
    if (found == options.end()) return std::nullopt;
    return found->second;
  }
};

Arguments ParseArguments(std::span<const std::string> args, const std::set<std::string>& valued,
                         const std::set<std::string>& bare) {
  Arguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (valued.contains(arg)) {
      if (i + 1 >= args.size()) {
        parsed.error = arg + " needs a value";
        return parsed;
      }
      parsed.options[arg] = args[++i];
    } else if (bare.contains(arg)) {
      parsed.flags.insert(arg);
    } else if (arg.starts_with("--") && arg.size() > 2) {
      parsed.error = "unknown option " + arg;
      return parsed;
    } else {
      parsed.positional.push_back(arg);
    }
  }
  return parsed;
}

// An offset as the window accepts it, inside 0..2^31-1.
std::optional<std::int32_t> Offset(const std::string& text) {
  const std::optional<std::int64_t> value = ParseOffsetText(text);
  if (!value || *value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

// The ROM's game for a command that changes it; `status` is set on failure.
std::optional<CatalogGame> GameOfRom(const std::string& dataPath, const std::string& rom,
                                     int& status) {
  try {
    std::optional<CatalogGame> game = FindCatalogGame(dataPath, rom);
    if (!game) {
      status = Fail(kExitUnknownGame, rom +
                                          " is not a ROM image of any game the catalog "
                                          "supports (see kerrow-cli identify)");
    }
    return game;
  } catch (const Failure& failure) {
    status = Fail(kExitCatalog, "cannot identify " + rom + ": " + failure.Description());
    return std::nullopt;
  }
}

// Which sprite table holds `name`, if any.
std::optional<GameTable> SpriteTableOf(const CatalogGame& game, const std::string& name) {
  auto database = Database::Open(game.DatabasePath);
  if (database->OpenTable("SPRITE")->Seek(name)) return kSprite;
  if (database->OpenTable("COMPRESSED")->Seek(name)) return kCompressed;
  return std::nullopt;
}

// Runs a catalog change: a refusal is its message and status 19.
template <typename Change>
int Refusable(Change change) {
  try {
    change();
    return kExitOk;
  } catch (const CatalogWriteError& refusal) {
    return Fail(kExitCatalogRefused, refusal.what());
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, failure.Description());
  }
}

int RunIdentify(const CliContext& context, std::span<const std::string> args) {
  if (args.size() != 1) return Fail(kExitUsage, "usage: kerrow-cli identify ROM");
  const std::string dataPath = AbsoluteDataPath(context);
  const std::string rom = AbsolutePath(args[0]);
  RomIdentification found;
  try {
    auto catalog = Database::Open(dataPath + "game.mdb");
    auto games = catalog->OpenTable("Games");
    found = IdentifyRom(*games, rom, dataPath);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, "cannot identify " + rom + ": " + failure.Description());
  }
  std::cout << "ROM: " << rom << "\nSerial: \"" << ShownSerial(found.Serial) << "\"\n";
  for (std::size_t i = 0; i < found.Candidates.size(); ++i) {
    const GameRowVerdict& row = found.Candidates[i];
    std::cout << "Game row " << row.Row + 1 << ", ID \"" << row.Id << "\", " << row.Database
              << ": ";
    if (!row.HasFingerprint) {
      std::cout << "its ID begins the serial; it has no fingerprint";
    } else {
      std::cout << "its ID begins the serial; its fingerprint agrees on " << row.Agreement.Agreeing
                << " of " << row.Agreement.Compared << " compared blocks ("
                << row.Agreement.Percent() << "%, " << kFingerprintMatchPercent << "% needed)";
    }
    std::cout << (found.Chosen == i ? ": CHOSEN\n" : row.Matches ? ": matches\n" : ": no match\n");
  }
  if (found.Chosen) {
    const GameRowVerdict& row = found.Candidates[*found.Chosen];
    std::cout << "Taken for \"" << GameName(dataPath, row.Database) << "\" (game row "
              << row.Row + 1 << "), "
              << (row.HasFingerprint
                      ? "by its serial and " + std::to_string(row.Agreement.Percent()) +
                            "% fingerprint agreement."
                      : std::string("by its serial alone (the row has no fingerprint)."))
              << '\n';
    return kExitOk;
  }
  std::cout << (found.Candidates.empty()
                    ? "Not catalogued: no game's ID begins this serial.\n"
                    : "Not catalogued: every game with this serial has a fingerprint that "
                      "disagrees with this ROM (add it with kerrow-cli catalog add-game).\n");
  return kExitUnknownGame;
}

int AddGameCommand(const std::string& dataPath, std::span<const std::string> args) {
  const Arguments parsed = ParseArguments(args, {"--name", "--palette"}, {});
  if (!parsed.error.empty() || parsed.positional.size() != 1)
    return Fail(kExitUsage, (parsed.error.empty() ? "" : parsed.error + "; ") +
                                "usage: kerrow-cli catalog add-game ROM [--name TEXT] "
                                "[--palette OFFSET]");
  const std::string rom = AbsolutePath(parsed.positional[0]);
  std::vector<std::uint8_t> image;
  try {
    image = ReadRomImage(rom);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, "cannot read the ROM image " + rom + ": " + failure.Description());
  }
  NewGame game;
  game.Id = CatalogIdFromImage(image);
  game.Name = parsed.Option("--name").value_or(GameNameFromImage(image));
  game.RomPath = rom;
  if (const auto text = parsed.Option("--palette")) {
    const auto palette = Offset(*text);
    if (!palette || *palette + std::int64_t{32} > static_cast<std::int64_t>(image.size()))
      return Fail(kExitCatalogRefused,
                  "\"" + *text + "\" is no palette offset inside this ROM. No game was added.");
    game.Palette = *palette;
  }
  CatalogGame added;
  const int status = Refusable([&] { added = AddCatalogGame(dataPath, game); });
  if (status != kExitOk) return status;
  std::cout << "Added \"" << (game.Name.empty() ? game.Id : game.Name) << "\" (ID \"" << game.Id
            << "\") to the catalog, with the ROM's fingerprint; its sprites go into "
            << added.DatabaseText << ".\n";
  return kExitOk;
}

// The --context list: "column,row,offset" entries separated by ";" or new lines.
std::optional<std::vector<TilePlacement>> ContextTiles(const std::string& text) {
  std::vector<TilePlacement> tiles;
  std::string entry;
  auto finish = [&]() -> bool {
    const std::size_t start = entry.find_first_not_of(" \t\r");
    if (start == std::string::npos) return true;
    std::vector<std::int64_t> numbers;
    std::size_t from = start;
    while (true) {
      const std::size_t comma = entry.find(',', from);
      const auto value = ParseOffsetText(entry.substr(from, comma - from));
      if (!value) return false;
      numbers.push_back(*value);
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
    if (numbers.size() != 3 || numbers[0] > 254 || numbers[1] > 254 || numbers[2] > INT32_MAX)
      return false;
    tiles.push_back(
        {static_cast<std::int32_t>(numbers[0]), static_cast<std::int32_t>(numbers[1]), numbers[2]});
    entry.clear();
    return true;
  };
  for (const char c : text) {
    if (c == ';' || c == '\n') {
      if (!finish()) return std::nullopt;
    } else {
      entry += c;
    }
  }
  if (!finish()) return std::nullopt;
  return tiles;
}

int AddSpriteCommand(const std::string& dataPath, std::span<const std::string> args) {
  const Arguments parsed = ParseArguments(
      args,
      {"--at", "--size", "--order", "--block", "--heading", "--palette", "--context", "--max-size"},
      {"--compressed"});
  const auto at = parsed.Option("--at");
  const auto size = parsed.Option("--size");
  if (!parsed.error.empty() || parsed.positional.size() != 2 || !at || !size)
    return Fail(kExitUsage, (parsed.error.empty() ? "" : parsed.error + "; ") +
                                "usage: kerrow-cli catalog add-sprite ROM NAME --at OFFSET --size "
                                "WxH [--order rows|columns] [--block WxH] [--heading TEXT] "
                                "[--palette OFFSET] [--context LIST] [--compressed --max-size N]");
  const bool compressed = parsed.flags.contains("--compressed");
  const std::string rom = AbsolutePath(parsed.positional[0]);
  const std::string& name = parsed.positional[1];
  const auto offset = Offset(*at);
  const auto dims = ParseTileSize(*size);
  const std::string orderText = parsed.Option("--order").value_or("rows");
  const auto block = ParseTileSize(parsed.Option("--block").value_or(*size));
  if (!offset) return Fail(kExitUsage, "\"" + *at + "\" is no offset");
  if (!dims || dims->first > 255 || dims->second > 255)
    return Fail(kExitUsage, "\"" + *size + "\" is no sprite size (1x1 to 255x255 tiles)");
  if (orderText != "rows" && orderText != "columns")
    return Fail(kExitUsage, "--order is rows or columns");
  if (!block) return Fail(kExitUsage, "--block takes a size in tiles, as 2x4");
  if (compressed != parsed.options.contains("--max-size"))
    return Fail(kExitUsage, "--compressed and --max-size go together");
  const auto tiles = ConsecutiveTiles(
      compressed ? 0 : *offset, dims->first, dims->second,
      orderText == "rows" ? TileOrder::Rows : TileOrder::BlockColumns, block->first, block->second);
  if (!tiles) return Fail(kExitUsage, "the blocks of --block must divide the sprite's size evenly");

  int status = kExitOk;
  const std::optional<CatalogGame> game = GameOfRom(dataPath, rom, status);
  if (!game) return status;

  // The bytes the tiles come from: the ROM, or the stream's decompressed data.
  std::int64_t sourceSize = 0;
  std::int64_t romSize = 0;
  std::int32_t maxSize = 0;
  try {
    romSize = static_cast<std::int64_t>(ReadRomImage(rom).size());
    sourceSize = romSize;
    if (compressed) {
      const auto room = Offset(*parsed.Option("--max-size"));
      if (!room || *room < 1) return Fail(kExitUsage, "--max-size takes a number of bytes");
      maxSize = *room;
      const auto stream = ProbeStream(rom, *offset, TempFilePath("catalog-stream.bin"));
      if (!stream)
        return Fail(kExitCatalogRefused,
                    "nothing at offset " + *at + " decompresses; nothing was added");
      sourceSize = stream->DecompressedSize;
      if (*offset + std::int64_t{maxSize} > romSize)
        return Fail(kExitCatalogRefused,
                    "the room of --max-size runs past the end of the ROM; nothing was added");
    }
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, "cannot read " + rom + ": " + failure.Description());
  }
  const char* where = compressed ? "the decompressed data" : "the ROM";
  // The tiles are consecutive: the last one ends them.
  if (tiles->front().Offset + 32 * static_cast<std::int64_t>(tiles->size()) > sourceSize)
    return Fail(kExitCatalogRefused, std::string("the sprite's tiles run past the end of ") +
                                         where + "; nothing was added");
  std::int32_t palette = 0;
  if (const auto text = parsed.Option("--palette")) {
    const auto value = Offset(*text);
    if (!value || *value + std::int64_t{32} > romSize)
      return Fail(kExitCatalogRefused,
                  "\"" + *text + "\" is no palette offset inside this ROM; nothing was added");
    palette = *value;
  }
  // Context tiles lie beside the sprite's own; the sprite grows to hold them.
  std::vector<TilePlacement> grey;
  std::int32_t width = dims->first;
  std::int32_t height = dims->second;
  if (const auto text = parsed.Option("--context")) {
    const auto context = ContextTiles(*text);
    if (!context)
      return Fail(kExitUsage, "--context takes \"column,row,offset\" entries separated by \";\"");
    for (const TilePlacement& tile : *context) {
      if (tile.Tx < dims->first && tile.Ty < dims->second)
        return Fail(kExitCatalogRefused, "a context tile at " + std::to_string(tile.Tx) + "," +
                                             std::to_string(tile.Ty) +
                                             " lies on the sprite's own tiles; nothing was added");
      if (tile.Offset + 32 > sourceSize)
        return Fail(kExitCatalogRefused, std::string("a context tile lies past the end of ") +
                                             where + "; nothing was added");
      width = std::max(width, tile.Tx + 1);
      height = std::max(height, tile.Ty + 1);
    }
    grey = *context;
  }
  if (width > 255 || height > 255)
    return Fail(kExitCatalogRefused, "the sprite with its context is larger than 255 tiles");

  const std::string heading = parsed.Option("--heading").value_or("Sprites");
  auto describe = [&](NewSprite& sprite) {
    sprite.Name = name;
    sprite.Palette = palette;
    sprite.Width = static_cast<std::int16_t>(width);
    sprite.Height = static_cast<std::int16_t>(height);
    sprite.White = FormatTileList(*tiles);
    sprite.Grey = FormatTileList(grey);
  };
  status = Refusable([&] {
    if (compressed) {
      NewCompressedSprite sprite;
      describe(sprite);
      sprite.SubHead = heading;
      sprite.Offset = *offset;
      sprite.MaxSize = maxSize;
      AddCatalogSprite(*game, sprite);
      return;
    }
    NewPlainSprite sprite;
    describe(sprite);
    for (const HeadingEntry& entry : ReadHeadings(game->DatabasePath))
      if (entry.Name == heading && !sprite.Heading.ExistingId) sprite.Heading.ExistingId = entry.Id;
    if (!sprite.Heading.ExistingId) sprite.Heading.NewName = heading;
    AddCatalogSprite(*game, sprite);
  });
  if (status != kExitOk) return status;
  std::cout << "Added the sprite \"" << name << "\" (" << width << "x" << height
            << " tiles) under \"" << heading << "\".\n";
  return kExitOk;
}

int FingerprintCommand(const std::string& dataPath, std::span<const std::string> args) {
  if (args.size() != 1) return Fail(kExitUsage, "usage: kerrow-cli catalog fingerprint ROM");
  const std::string rom = AbsolutePath(args[0]);
  int status = kExitOk;
  const std::optional<CatalogGame> game = GameOfRom(dataPath, rom, status);
  if (!game) return status;
  status = Refusable([&] { RecordFingerprint(*game, rom); });
  if (status == kExitOk)
    std::cout << "Recorded the fingerprint of " << rom << " for the game with the ID \"" << game->Id
              << "\".\n";
  return status;
}

// rename, move and remove: a sprite of the ROM's game by name.
int SpriteCommand(const std::string& dataPath, const std::string& command,
                  std::span<const std::string> args) {
  const Arguments parsed = ParseArguments(args, {"--heading"}, {});
  const std::size_t wanted = command == "rename" ? 3 : 2;
  const bool headingOk = (command == "move") == parsed.options.contains("--heading");
  if (!parsed.error.empty() || parsed.positional.size() != wanted || !headingOk) {
    const std::string usage = command == "rename" ? "ROM OLD NEW"
                              : command == "move" ? "ROM NAME --heading TEXT"
                                                  : "ROM NAME";
    return Fail(kExitUsage, (parsed.error.empty() ? "" : parsed.error + "; ") +
                                "usage: kerrow-cli catalog " + command + " " + usage);
  }
  const std::string rom = AbsolutePath(parsed.positional[0]);
  const std::string& name = parsed.positional[1];
  int status = kExitOk;
  const std::optional<CatalogGame> game = GameOfRom(dataPath, rom, status);
  if (!game) return status;
  std::optional<GameTable> table;
  try {
    table = SpriteTableOf(*game, name);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, "cannot read the game's sprites: " + failure.Description());
  }
  if (!table)
    return Fail(kExitNoSuchSprite, "the catalog of this game holds no sprite named \"" + name +
                                       "\" (see kerrow-cli list)");
  status = Refusable([&] {
    if (command == "rename") {
      RenameSprite(*game, *table, name, parsed.positional[2]);
    } else if (command == "remove") {
      DeleteSprite(*game, *table, name);
    } else if (*table == kCompressed) {
      MoveCompressedSprite(*game, name, *parsed.Option("--heading"));
    } else {
      HeadingChoice heading;
      for (const HeadingEntry& entry : ReadHeadings(game->DatabasePath))
        if (entry.Name == *parsed.Option("--heading") && !heading.ExistingId)
          heading.ExistingId = entry.Id;
      if (!heading.ExistingId) heading.NewName = *parsed.Option("--heading");
      MoveSprite(*game, name, heading);
    }
  });
  if (status == kExitOk) {
    const std::vector<CatalogUndoStep> steps = CatalogUndoSteps(dataPath);
    std::cout << (steps.empty() ? command : steps.front().Description) << ".\n";
  }
  return status;
}

int UndoCommand(const std::string& dataPath, std::span<const std::string> args) {
  if (args.size() != 1) return Fail(kExitUsage, "usage: kerrow-cli catalog undo ROM");
  const std::string rom = AbsolutePath(args[0]);
  std::vector<CatalogUndoStep> steps;
  std::string serial;
  try {
    serial = ReadRomSerial(rom);
    steps = CatalogUndoSteps(dataPath);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, failure.Description());
  }
  if (steps.empty()) return Fail(kExitCatalogRefused, "there is no catalog change to undo");
  // The ROM names whose change this is: a removed game's ROM still has its serial.
  if (!SerialMatches(serial, steps.front().GameId))
    return Fail(kExitCatalogRefused, "the last catalog change (" + steps.front().Description +
                                         ") was made to the game with the ID \"" +
                                         steps.front().GameId +
                                         "\", not to this ROM's; nothing was undone");
  // Games that share a serial are told apart by the database the change was made in.
  std::optional<CatalogGame> identified;
  try {
    identified = FindCatalogGame(dataPath, rom);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, failure.Description());
  }
  if (identified && !steps.front().Target.empty() &&
      identified->DatabaseText != steps.front().Target)
    return Fail(kExitCatalogRefused, "the last catalog change (" + steps.front().Description +
                                         ") was made to the game kept in \"" +
                                         steps.front().Target + "\", not to this ROM's (\"" +
                                         identified->DatabaseText + "\"); nothing was undone");
  std::string description;
  const int status =
      Refusable([&] { description = UndoCatalogChange(dataPath, steps.front().Step); });
  if (status == kExitOk) std::cout << "Undone: " << description << ".\n";
  return status;
}

int RunCatalog(const CliContext& context, std::span<const std::string> args) {
  if (args.empty())
    return Fail(kExitUsage,
                "usage: kerrow-cli catalog add-game|add-sprite|fingerprint|rename|move|remove|"
                "undo ROM ... (see --help)");
  // A compressed sprite's stream is probed through the compression binding,
  // which needs the editor's state and a temporary directory of its own.
  CliSession session(context);
  const std::string dataPath = AbsoluteDataPath(context);
  G().DataPath = dataPath;
  const std::string& command = args[0];
  const auto rest = args.subspan(1);
  if (command == "add-game") return AddGameCommand(dataPath, rest);
  if (command == "add-sprite") return AddSpriteCommand(dataPath, rest);
  if (command == "fingerprint") return FingerprintCommand(dataPath, rest);
  if (command == "rename" || command == "move" || command == "remove")
    return SpriteCommand(dataPath, command, rest);
  if (command == "undo") return UndoCommand(dataPath, rest);
  return Fail(kExitUsage, "unknown catalog command \"" + command + "\" (see --help)");
}

}  // namespace

CliCommand IdentifyCommand() {
  return {"identify", "ROM",
          "tells which catalogued game the ROM is taken for and why (serial, fingerprint "
          "agreement), or why none (exit 0 identified, 11 not)",
          RunIdentify};
}

CliCommand CatalogCommand() {
  return {"catalog",
          "add-game ROM [--name TEXT] [--palette OFFSET]\n"
          "  catalog add-sprite ROM NAME --at OFFSET --size WxH [--order rows|columns]\n"
          "          [--block WxH] [--heading TEXT] [--palette OFFSET] [--context LIST]\n"
          "          [--compressed --max-size N]\n"
          "  catalog fingerprint ROM\n"
          "  catalog rename ROM OLD NEW\n"
          "  catalog move ROM NAME --heading TEXT\n"
          "  catalog remove ROM NAME\n"
          "  catalog undo ROM",
          "adds the ROM's game or a sprite of it to the catalog, records the ROM's fingerprint, "
          "renames, moves or removes a sprite, or undoes the last catalog change. Offsets are "
          "decimal or hexadecimal (0x1F0, $1F0, &H1F0, 1F0h). A refusal (exit 19) changes no "
          "catalog file",
          RunCatalog};
}

}  // namespace kerrow::cli
