#include "workshop/CatalogWriter.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "catalog/bDatabase.h"
#include "catalog/bIdentify.h"
#include "shell/Failure.h"
#include "workshop/CatalogEdits.h"
#include "workshop/CatalogSession.h"
#include "workshop/RomHeader.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

bool Exists(CatalogWriteSession& session, const std::string& sql, const std::string& value) {
  CatalogStatement query(session, sql);
  query.Bind(1, value);
  return query.Step();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Refuse("The catalog schema \"" + path + "\" cannot be read.");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the schema's statements except the catalog's own "Games" table.
void CreateGameTables(CatalogWriteSession& session, const std::string& schema) {
  const char* rest = schema.c_str();
  while (*rest) {
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(session.Db(), rest, -1, &prepared, &tail);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(prepared,
                                                                          sqlite3_finalize);
    if (rc != SQLITE_OK) session.Fail("write");
    if (stmt) {
      const std::string sql = sqlite3_sql(stmt.get());
      const bool games = sql.find("CREATE TABLE Games") != std::string::npos;
      if (!games && sqlite3_step(stmt.get()) != SQLITE_DONE) session.Fail("write");
    }
    rest = tail;
  }
}

// A file name for the new database, derived from the ID, that no file has yet.
std::string FreeDatabaseName(const std::string& dataPath, const std::string& id) {
  std::string stem;
  for (char c : id) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    stem += plain ? c : '_';
  }
  if (stem.empty()) stem = "game";
  std::error_code error;
  for (int n = 1; n < 1000; ++n) {
    const std::string name = n == 1 ? stem + ".mdb" : stem + "-" + std::to_string(n) + ".mdb";
    // The database is built under its name plus ".new": both must be free.
    if (!fs::exists(dataPath + name, error) && !fs::exists(dataPath + name + ".new", error))
      return name;
  }
  Refuse("No free file name for the new game's database in \"" + dataPath + "\".");
}

}  // namespace

std::string FormatTileList(const std::vector<TilePlacement>& tiles) {
  std::string text;
  for (const TilePlacement& tile : tiles) {
    if (!text.empty()) text += "\r\n";
    text +=
        std::to_string(tile.Tx) + "," + std::to_string(tile.Ty) + "," + std::to_string(tile.Offset);
  }
  return text;
}

namespace {

struct AddedGame {
  std::string FileName;
  std::int64_t Number = 0;
};

// Refuses a new game whose ROM a catalogued game already identifies: the new
// row could never be reached. With the ROM at hand, rows of the same serial
// whose fingerprints disagree with it do not count.
void RefuseKnownGame(const std::string& dataPath, const NewGame& game,
                     CatalogWriteSession& catalog) {
  if (game.RomPath.empty()) {
    CatalogStatement games(catalog, "SELECT ID FROM Games ORDER BY Number");
    while (games.Step()) {
      if (SerialMatches(game.Id, games.Text(0)))
        Refuse("The catalog already has a game with the ID \"" + games.Text(0) +
               "\" that this ROM matches.");
    }
    return;
  }
  auto catalogView = Database::Open(dataPath + "game.mdb");
  auto games = catalogView->OpenTable("Games");
  const RomIdentification found = IdentifyRom(*games, game.RomPath, dataPath);
  if (!found.Chosen) return;
  const GameRowVerdict& row = found.Candidates[*found.Chosen];
  Refuse("The catalog already has a game with the ID \"" + row.Id + "\" that this ROM matches" +
         (row.HasFingerprint
              ? " (" + std::to_string(row.Agreement.Percent()) + "% of its blocks agree)."
              : "; record that game's fingerprint with its own ROM to tell the two apart."));
}

AddedGame AddGameRow(const std::string& dataPath, const NewGame& game) {
  if (game.Id.empty()) Refuse("The ROM has no serial to identify it by; no game was added.");
  if (game.Id.size() > kSerialLength) Refuse("The serial is too long to identify a ROM by.");
  // An erased header (0xFF bytes) or binary data is no serial: such an ID would
  // claim every ROM with the same bytes there, under a name no one can read.
  for (const char c : game.Id) {
    if (c < 0x20 || c > 0x7E)
      Refuse(
          "The ROM's serial is not text (the header may be missing or erased); no game was "
          "added.");
  }
  const std::string catalogPath = dataPath + "game.mdb";
  const std::string schema = ReadFile(dataPath + kSchemaFileName);

  CatalogWriteSession catalog(catalogPath, false);
  std::string fingerprint;
  try {
    RefuseKnownGame(dataPath, game, catalog);
    if (!game.RomPath.empty())
      fingerprint = FormatFingerprint(FingerprintOf(ReadRomImage(game.RomPath)));
  } catch (const Failure& failure) {
    Refuse(failure.Description() + " No game was added.");
  }
  const std::string fileName = FreeDatabaseName(dataPath, game.Id);
  const std::string databasePath = dataPath + fileName;

  // Build the new database completely under a temporary name, then give it
  // its name and commit the catalog row; any failure removes it again.
  const std::string building = databasePath + ".new";
  std::error_code error;
  AddedGame added{fileName, 0};
  try {
    {
      CatalogWriteSession database(building, true, databasePath);
      CreateGameTables(database, schema);
      CatalogStatement nfo(database, "INSERT INTO NFO (Name, Palette) VALUES (?1, ?2)");
      nfo.Bind(1, game.Name.empty() ? game.Id : game.Name).Bind(2, std::int64_t{game.Palette});
      nfo.Step();
      database.Commit();
    }
    fs::rename(building, databasePath);
    CatalogStatement number(catalog, "SELECT COALESCE(MAX(Number), 0) + 1 FROM main.Games");
    number.Step();
    added.Number = number.Int(0);
    if (!fingerprint.empty()) AddFingerprintField(catalog);
    CatalogStatement row(catalog,
                         fingerprint.empty()
                             ? "INSERT INTO main.Games (Number, ID, Database) VALUES "
                               "(?1, ?2, ?3)"
                             : std::string("INSERT INTO main.Games (Number, ID, Database, ") +
                                   kFingerprintField + ") VALUES (?1, ?2, ?3, ?4)");
    row.Bind(1, added.Number).Bind(2, game.Id).Bind(3, fileName);
    if (!fingerprint.empty()) row.Bind(4, fingerprint);
    row.Step();
    // Undoing it takes the row away; the database file stays.
    CatalogUndoRecorder undo(catalog);
    undo.DropRow("main.Games", "Number", undo.Literal(added.Number));
    undo.Record("Add game \"" + (game.Name.empty() ? game.Id : game.Name) + "\"", game.Id, "");
    catalog.Commit();
  } catch (...) {
    fs::remove(building, error);
    fs::remove(databasePath, error);
    throw;
  }
  return added;
}

void CheckSpriteFields(CatalogWriteSession& session, const std::string& schema,
                       const NewSprite& sprite) {
  if (sprite.Name.empty()) Refuse("The sprite needs a name.");
  if (Exists(session, "SELECT 1 FROM " + schema + "SPRITE WHERE Name = ?1", sprite.Name) ||
      Exists(session, "SELECT 1 FROM " + schema + "COMPRESSED WHERE Name = ?1", sprite.Name))
    Refuse("A sprite named \"" + sprite.Name + "\" already exists. Names must be unique.");
  if (sprite.Width < 1 || sprite.Height < 1 || sprite.Width > 255 || sprite.Height > 255)
    Refuse("A sprite is 1 to 255 tiles wide and high.");
  if (sprite.White.empty()) Refuse("The sprite has no tiles of its own.");
}

// Inserts the sprite's row into the tables of `schema` ("" or "target.");
// returns the ID of a heading made for it.
std::optional<std::int64_t> InsertPlainSprite(CatalogWriteSession& session,
                                              const std::string& schema,
                                              const NewPlainSprite& sprite) {
  CheckSpriteFields(session, schema, sprite);
  std::int64_t heading = 0;
  std::optional<std::int64_t> made;
  if (sprite.Heading.ExistingId) {
    heading = *sprite.Heading.ExistingId;
    CatalogStatement head(session, "SELECT 1 FROM " + schema + "HEAD WHERE ID = ?1");
    head.Bind(1, heading);
    if (!head.Step()) Refuse("The heading chosen for the sprite does not exist.");
  } else {
    if (sprite.Heading.NewName.empty()) Refuse("The new heading needs a name.");
    if (Exists(session, "SELECT 1 FROM " + schema + "HEAD WHERE Name = ?1", sprite.Heading.NewName))
      Refuse("A heading named \"" + sprite.Heading.NewName + "\" already exists.");
    CatalogStatement next(session, "SELECT COALESCE(MAX(ID), 0) + 1 FROM " + schema + "HEAD");
    next.Step();
    heading = next.Int(0);
    made = heading;
    CatalogStatement head(session, "INSERT INTO " + schema + "HEAD (ID, Name) VALUES (?1, ?2)");
    head.Bind(1, heading).Bind(2, sprite.Heading.NewName);
    head.Step();
  }
  CatalogStatement row(session, "INSERT INTO " + schema +
                                    "SPRITE (Name, Heading, Palette, Width, Height, White, Grey) "
                                    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  row.Bind(1, sprite.Name)
      .Bind(2, heading)
      .Bind(3, std::int64_t{sprite.Palette})
      .Bind(4, std::int64_t{sprite.Width})
      .Bind(5, std::int64_t{sprite.Height})
      .Bind(6, sprite.White)
      .Bind(7, sprite.Grey.empty() ? std::string("-1") : sprite.Grey);
  row.Step();
  return made;
}

void InsertCompressedSprite(CatalogWriteSession& session, const std::string& schema,
                            const NewCompressedSprite& sprite) {
  CheckSpriteFields(session, schema, sprite);
  if (sprite.SubHead.empty()) Refuse("The compressed sprite needs a group name.");
  if (sprite.MaxSize < 1) Refuse("The room for the compressed data must be at least one byte.");
  CatalogStatement row(session, "INSERT INTO " + schema +
                                    "COMPRESSED (Name, SubHead, Palette, Width, Height, White, "
                                    "Grey, Offset, MaxSize) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, "
                                    "?8, ?9)");
  row.Bind(1, sprite.Name)
      .Bind(2, sprite.SubHead)
      .Bind(3, std::int64_t{sprite.Palette})
      .Bind(4, std::int64_t{sprite.Width})
      .Bind(5, std::int64_t{sprite.Height})
      .Bind(6, sprite.White)
      .Bind(7, sprite.Grey)
      .Bind(8, std::int64_t{sprite.Offset})
      .Bind(9, std::int64_t{sprite.MaxSize});
  row.Step();
}

// game.mdb with the game's database attached, for an addition with its undo step.
struct LoggedAddition {
  explicit LoggedAddition(const CatalogGame& game)
      : session(game.DataPath + "game.mdb", false, {}, game.DatabasePath), undo(session) {}
  CatalogWriteSession session;
  CatalogUndoRecorder undo;
};

}  // namespace

std::string AddGame(const std::string& dataPath, const NewGame& game) {
  return AddGameRow(dataPath, game).FileName;
}

CatalogGame AddCatalogGame(const std::string& dataPath, const NewGame& game) {
  const AddedGame added = AddGameRow(dataPath, game);
  CatalogGame row;
  row.DataPath = dataPath;
  row.Number = added.Number;
  row.Id = game.Id;
  row.DatabaseText = added.FileName;
  row.DatabasePath = dataPath + added.FileName;
  return row;
}

void AddPlainSprite(const std::string& databasePath, const NewPlainSprite& sprite) {
  CatalogWriteSession session(databasePath, false);
  InsertPlainSprite(session, "", sprite);
  session.Commit();
}

void AddCompressedSprite(const std::string& databasePath, const NewCompressedSprite& sprite) {
  CatalogWriteSession session(databasePath, false);
  InsertCompressedSprite(session, "", sprite);
  session.Commit();
}

void AddCatalogSprite(const CatalogGame& game, const NewPlainSprite& sprite) {
  LoggedAddition add(game);
  const auto heading = InsertPlainSprite(add.session, "target.", sprite);
  add.undo.DropRow("target.SPRITE", "Name", add.undo.Literal(sprite.Name));
  if (heading) add.undo.DropRow("target.HEAD", "ID", add.undo.Literal(*heading));
  add.undo.Record("Add sprite \"" + sprite.Name + "\"", game.Id, game.DatabaseText);
  add.session.Commit();
}

void AddCatalogSprites(const CatalogGame& game, const std::vector<NewPlainSprite>& sprites) {
  if (sprites.empty()) Refuse("There is no sprite to add.");
  LoggedAddition add(game);
  // A new heading is made for the first sprite; the others join it.
  std::optional<std::int64_t> made;
  for (NewPlainSprite sprite : sprites) {
    if (made) sprite.Heading = HeadingChoice{made, {}};
    if (const auto heading = InsertPlainSprite(add.session, "target.", sprite)) made = heading;
    add.undo.DropRow("target.SPRITE", "Name", add.undo.Literal(sprite.Name));
  }
  if (made) add.undo.DropRow("target.HEAD", "ID", add.undo.Literal(*made));
  add.undo.Record("Add sprites \"" + sprites.front().Name + "\" to \"" + sprites.back().Name + "\"",
                  game.Id, game.DatabaseText);
  add.session.Commit();
}

void AddCatalogSprite(const CatalogGame& game, const NewCompressedSprite& sprite) {
  LoggedAddition add(game);
  InsertCompressedSprite(add.session, "target.", sprite);
  add.undo.DropRow("target.COMPRESSED", "Name", add.undo.Literal(sprite.Name));
  add.undo.Record("Add sprite \"" + sprite.Name + "\"", game.Id, game.DatabaseText);
  add.session.Commit();
}

std::vector<HeadingEntry> ReadHeadings(const std::string& databasePath) {
  auto database = Database::Open(databasePath);
  auto head = database->OpenTable("HEAD");
  std::vector<HeadingEntry> headings;
  for (head->MoveFirst(); !head->Eof(); head->MoveNext())
    headings.push_back({head->Long("ID"), head->Text("Name")});
  return headings;
}

std::vector<std::string> ReadSubHeads(const std::string& databasePath) {
  auto database = Database::Open(databasePath);
  auto compressed = database->OpenTable("COMPRESSED");
  std::vector<std::string> groups;
  std::set<std::string> seen;
  for (compressed->MoveFirst(); !compressed->Eof(); compressed->MoveNext()) {
    std::string group = compressed->Text("SubHead");
    if (seen.insert(group).second) groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace kerrow
