#include "workshop/CatalogEdits.h"

#include "catalog/bIdentify.h"
#include "graphics/TileList.h"
#include "shell/Failure.h"
#include "workshop/CatalogSession.h"
#include "workshop/RomHeader.h"

namespace kerrow {

namespace {

const char* SpriteTableName(GameTable table) {
  if (table == kSprite) return "SPRITE";
  if (table == kCompressed) return "COMPRESSED";
  Refuse("Only sprites can be changed this way.");
}

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

// One change: game.mdb with the game's database attached as "target", in one
// transaction, and the undo step that goes with it.
class EditSession {
 public:
  explicit EditSession(const CatalogGame& game, bool attachGame = true)
      : game_(game),
        session_(game.DataPath + "game.mdb", false, {}, attachGame ? game.DatabasePath : ""),
        undo_(session_),
        target_(attachGame ? game.DatabaseText : "") {}

  CatalogWriteSession& Session() { return session_; }
  CatalogUndoRecorder& Undo() { return undo_; }

  bool Exists(const std::string& sql, const std::string& value) {
    CatalogStatement query(session_, sql);
    return query.Bind(1, value).Step();
  }

  void Commit(const std::string& description) {
    undo_.Record(description, game_.Id, target_);
    session_.Commit();
  }

 private:
  const CatalogGame& game_;
  CatalogWriteSession session_;
  CatalogUndoRecorder undo_;
  std::string target_;
};

void RequireSprite(EditSession& edit, const std::string& table, const std::string& name) {
  if (!edit.Exists("SELECT 1 FROM target." + table + " WHERE Name = ?1", name))
    Refuse("The game has no " + std::string(table == "SPRITE" ? "" : "compressed ") +
           "sprite named " + Quoted(name) + ". Nothing was changed.");
}

std::string HeadingName(EditSession& edit, std::int64_t id) {
  CatalogStatement head(edit.Session(), "SELECT Name FROM target.HEAD WHERE ID = ?1");
  if (!head.Bind(1, id).Step())
    Refuse("The game has no heading with the ID " + std::to_string(id) + ". Nothing was changed.");
  return head.Text(0);
}

// A tile list that must read line by line and stay inside the sprite.
void CheckTileList(const std::string& list, std::int16_t width, std::int16_t height,
                   const char* what) {
  std::vector<TileLine> lines;
  try {
    lines = ParseTileList(list);
  } catch (const Failure&) {
    Refuse(std::string("The ") + what +
           " tile list has a line that is not \"column,row,offset\". Nothing was changed.");
  }
  for (const TileLine& line : lines) {
    if (line.Tx < 0 || line.Ty < 0 || line.Tx >= width || line.Ty >= height || line.Offset < 0)
      Refuse(std::string("The ") + what + " tile list places a tile at " + std::to_string(line.Tx) +
             "," + std::to_string(line.Ty) +
             ", outside the sprite, or at a negative offset. Nothing was changed.");
  }
}

}  // namespace

std::optional<CatalogGame> FindCatalogGame(const std::string& dataPath,
                                           const std::string& romPath) {
  auto catalog = Database::Open(dataPath + "game.mdb");
  auto games = catalog->OpenTable("Games");
  if (!IdentifyRom(*games, romPath, dataPath).Chosen) return std::nullopt;
  CatalogGame game;
  game.DataPath = dataPath;
  game.Number = games->Long("Number");
  game.Id = games->Text("ID");
  game.DatabaseText = games->Text("Database");
  game.DatabasePath = ResolveDataFileIn(dataPath, game.DatabaseText);
  return game;
}

void RenameSprite(const CatalogGame& game, GameTable table, const std::string& oldName,
                  const std::string& newName) {
  const std::string name = SpriteTableName(table);
  EditSession edit(game);
  RequireSprite(edit, name, oldName);
  if (newName.empty()) Refuse("The sprite needs a name. Nothing was changed.");
  if (edit.Exists("SELECT 1 FROM target.SPRITE WHERE Name = ?1", newName) ||
      edit.Exists("SELECT 1 FROM target.COMPRESSED WHERE Name = ?1", newName))
    Refuse("A sprite named " + Quoted(newName) +
           " already exists. Names must be unique. Nothing was changed.");
  auto& undo = edit.Undo();
  undo.KeepRow("target." + name, "Name", undo.Literal(oldName));
  undo.DropRow("target." + name, "Name", undo.Literal(newName));
  CatalogStatement update(edit.Session(),
                          "UPDATE target." + name + " SET Name = ?1 WHERE Name = ?2");
  update.Bind(1, newName).Bind(2, oldName).Step();
  edit.Commit("Rename sprite " + Quoted(oldName) + " to " + Quoted(newName));
}

void MoveSprite(const CatalogGame& game, const std::string& name, const HeadingChoice& heading) {
  EditSession edit(game);
  RequireSprite(edit, "SPRITE", name);
  auto& undo = edit.Undo();
  std::int64_t id = 0;
  std::string headingName;
  if (heading.ExistingId) {
    id = *heading.ExistingId;
    headingName = HeadingName(edit, id);
  } else {
    headingName = heading.NewName;
    if (headingName.empty()) Refuse("The new heading needs a name. Nothing was changed.");
    if (edit.Exists("SELECT 1 FROM target.HEAD WHERE Name = ?1", headingName))
      Refuse("A heading named " + Quoted(headingName) + " already exists. Nothing was changed.");
    CatalogStatement next(edit.Session(), "SELECT COALESCE(MAX(ID), 0) + 1 FROM target.HEAD");
    next.Step();
    id = next.Int(0);
    undo.DropRow("target.HEAD", "ID", undo.Literal(id));
    CatalogStatement head(edit.Session(), "INSERT INTO target.HEAD (ID, Name) VALUES (?1, ?2)");
    head.Bind(1, id).Bind(2, headingName).Step();
  }
  undo.KeepRow("target.SPRITE", "Name", undo.Literal(name));
  CatalogStatement update(edit.Session(), "UPDATE target.SPRITE SET Heading = ?1 WHERE Name = ?2");
  update.Bind(1, id).Bind(2, name).Step();
  edit.Commit("Move sprite " + Quoted(name) + " to heading " + Quoted(headingName));
}

void MoveCompressedSprite(const CatalogGame& game, const std::string& name,
                          const std::string& subHead) {
  EditSession edit(game);
  RequireSprite(edit, "COMPRESSED", name);
  if (subHead.empty()) Refuse("The compressed sprite needs a group name. Nothing was changed.");
  auto& undo = edit.Undo();
  undo.KeepRow("target.COMPRESSED", "Name", undo.Literal(name));
  CatalogStatement update(edit.Session(),
                          "UPDATE target.COMPRESSED SET SubHead = ?1 WHERE Name = ?2");
  update.Bind(1, subHead).Bind(2, name).Step();
  edit.Commit("Move sprite " + Quoted(name) + " to group " + Quoted(subHead));
}

CatalogSprite ReadCatalogSprite(const CatalogGame& game, GameTable table, const std::string& name) {
  const std::string tableName = SpriteTableName(table);
  auto database = Database::Open(game.DatabasePath);
  auto view = database->OpenTable(tableName);
  if (!view->Seek(name)) Refuse("The game has no sprite named " + Quoted(name) + ".");
  CatalogSprite sprite;
  sprite.Name = name;
  sprite.Group = view->Text(table == kSprite ? "Heading" : "SubHead");
  sprite.Palette = view->Long("Palette");
  sprite.Width = view->Integer("Width");
  sprite.Height = view->Integer("Height");
  sprite.White = view->Text("White");
  sprite.Grey = view->IsNull("Grey") ? "" : view->Text("Grey");
  if (sprite.Grey == "-1") sprite.Grey.clear();
  if (table == kCompressed) {
    sprite.Offset = view->Long("Offset");
    sprite.MaxSize = view->Long("MaxSize");
  }
  return sprite;
}

void EditSprite(const CatalogGame& game, GameTable table, const std::string& name,
                const SpriteChanges& changes) {
  const std::string tableName = SpriteTableName(table);
  CatalogSprite sprite;
  try {
    sprite = ReadCatalogSprite(game, table, name);
  } catch (const Failure& failure) {
    Refuse("The sprite " + Quoted(name) + " cannot be read: " + failure.Description() +
           " Nothing was changed.");
  }
  sprite.Width = changes.Width.value_or(sprite.Width);
  sprite.Height = changes.Height.value_or(sprite.Height);
  sprite.Palette = changes.Palette.value_or(sprite.Palette);
  sprite.White = changes.White.value_or(sprite.White);
  sprite.Grey = changes.Grey.value_or(sprite.Grey);
  sprite.Offset = changes.Offset.value_or(sprite.Offset);
  sprite.MaxSize = changes.MaxSize.value_or(sprite.MaxSize);
  if (sprite.Width < 1 || sprite.Height < 1 || sprite.Width > 255 || sprite.Height > 255)
    Refuse("A sprite is 1 to 255 tiles wide and high. Nothing was changed.");
  if (sprite.White.empty()) Refuse("The sprite has no tiles of its own. Nothing was changed.");
  if (sprite.Palette < 0) Refuse("A palette offset cannot be negative. Nothing was changed.");
  CheckTileList(sprite.White, sprite.Width, sprite.Height, "sprite's own");
  if (!sprite.Grey.empty()) CheckTileList(sprite.Grey, sprite.Width, sprite.Height, "context");
  if (table == kCompressed && (sprite.Offset < 0 || sprite.MaxSize < 1))
    Refuse(
        "A compressed sprite needs an offset of 0 or more and a room of at least one byte. "
        "Nothing was changed.");

  EditSession edit(game);
  RequireSprite(edit, tableName, name);
  auto& undo = edit.Undo();
  undo.KeepRow("target." + tableName, "Name", undo.Literal(name));
  CatalogStatement update(edit.Session(),
                          "UPDATE target." + tableName +
                              " SET Width = ?1, Height = ?2, Palette = ?3, White = ?4, Grey = ?5" +
                              (table == kCompressed ? ", Offset = ?7, MaxSize = ?8" : "") +
                              " WHERE Name = ?6");
  update.Bind(1, std::int64_t{sprite.Width})
      .Bind(2, std::int64_t{sprite.Height})
      .Bind(3, std::int64_t{sprite.Palette})
      .Bind(4, sprite.White)
      .Bind(5, sprite.Grey.empty() && table == kSprite ? std::string("-1") : sprite.Grey)
      .Bind(6, name);
  if (table == kCompressed)
    update.Bind(7, std::int64_t{sprite.Offset}).Bind(8, std::int64_t{sprite.MaxSize});
  update.Step();
  edit.Commit("Edit sprite " + Quoted(name));
}

void DeleteSprite(const CatalogGame& game, GameTable table, const std::string& name) {
  const std::string tableName = SpriteTableName(table);
  EditSession edit(game);
  RequireSprite(edit, tableName, name);
  auto& undo = edit.Undo();
  undo.KeepRow("target." + tableName, "Name", undo.Literal(name));
  CatalogStatement remove(edit.Session(), "DELETE FROM target." + tableName + " WHERE Name = ?1");
  remove.Bind(1, name).Step();
  edit.Commit("Delete sprite " + Quoted(name));
}

void RenameHeading(const CatalogGame& game, std::int64_t headingId, const std::string& newName) {
  EditSession edit(game);
  const std::string oldName = HeadingName(edit, headingId);
  if (newName.empty()) Refuse("The heading needs a name. Nothing was changed.");
  CatalogStatement other(edit.Session(), "SELECT 1 FROM target.HEAD WHERE Name = ?1 AND ID <> ?2");
  if (other.Bind(1, newName).Bind(2, headingId).Step())
    Refuse("A heading named " + Quoted(newName) + " already exists. Nothing was changed.");
  auto& undo = edit.Undo();
  undo.KeepRow("target.HEAD", "ID", undo.Literal(headingId));
  CatalogStatement update(edit.Session(), "UPDATE target.HEAD SET Name = ?1 WHERE ID = ?2");
  update.Bind(1, newName).Bind(2, headingId).Step();
  edit.Commit("Rename heading " + Quoted(oldName) + " to " + Quoted(newName));
}

void DeleteHeading(const CatalogGame& game, std::int64_t headingId) {
  EditSession edit(game);
  const std::string name = HeadingName(edit, headingId);
  CatalogStatement listed(edit.Session(), "SELECT COUNT(*) FROM target.SPRITE WHERE Heading = ?1");
  listed.Bind(1, headingId).Step();
  if (listed.Int(0) > 0)
    Refuse("The heading " + Quoted(name) + " still lists " + std::to_string(listed.Int(0)) +
           " sprite(s); move or delete them first. Nothing was changed.");
  auto& undo = edit.Undo();
  undo.KeepRow("target.HEAD", "ID", undo.Literal(headingId));
  CatalogStatement remove(edit.Session(), "DELETE FROM target.HEAD WHERE ID = ?1");
  remove.Bind(1, headingId).Step();
  edit.Commit("Delete heading " + Quoted(name));
}

GameSettings ReadGameSettings(const CatalogGame& game) {
  auto database = Database::Open(game.DatabasePath);
  auto nfo = database->OpenTable("NFO");
  GameSettings settings;
  if (nfo->Eof()) return settings;
  settings.Name = nfo->Text("Name");
  settings.Palette = nfo->Long("Palette");
  return settings;
}

void ChangeGameSettings(const CatalogGame& game, const GameSettings& settings) {
  if (settings.Name.empty()) Refuse("The game needs a name. Nothing was changed.");
  if (settings.Palette < 0) Refuse("A palette offset cannot be negative. Nothing was changed.");
  // Only the first row in key order is read: it is the one that changes.
  std::optional<std::string> oldName;
  try {
    auto database = Database::Open(game.DatabasePath);
    auto nfo = database->OpenTable("NFO");
    if (!nfo->Eof()) oldName = nfo->Text("Name");
  } catch (const Failure& failure) {
    Refuse("The game's information cannot be read: " + failure.Description() +
           " Nothing was changed.");
  }
  EditSession edit(game);
  edit.Undo().KeepTable("target.NFO");
  if (oldName) {
    CatalogStatement update(edit.Session(),
                            "UPDATE target.NFO SET Name = ?1, Palette = ?2 WHERE Name = ?3");
    update.Bind(1, settings.Name).Bind(2, std::int64_t{settings.Palette}).Bind(3, *oldName).Step();
  } else {
    CatalogStatement insert(edit.Session(),
                            "INSERT INTO target.NFO (Name, Palette) VALUES (?1, ?2)");
    insert.Bind(1, settings.Name).Bind(2, std::int64_t{settings.Palette}).Step();
  }
  edit.Commit("Change the settings of " + Quoted(settings.Name));
}

namespace {

// The game's row, checked to be the one `game` was read from.
void RequireGameRow(EditSession& edit, const CatalogGame& game) {
  CatalogStatement row(edit.Session(), "SELECT ID, Database FROM main.Games WHERE Number = ?1");
  if (!row.Bind(1, game.Number).Step() || row.Text(0) != game.Id ||
      row.Text(1) != game.DatabaseText)
    Refuse("The catalog changed since the game was looked up. Nothing was changed.");
}

}  // namespace

void RemoveGame(const CatalogGame& game) {
  EditSession edit(game, false);
  RequireGameRow(edit, game);
  auto& undo = edit.Undo();
  undo.KeepRow("main.Games", "Number", undo.Literal(game.Number));
  CatalogStatement remove(edit.Session(), "DELETE FROM main.Games WHERE Number = ?1");
  remove.Bind(1, game.Number).Step();
  edit.Commit("Remove game " + Quoted(game.Id) + " (its database " + Quoted(game.DatabaseText) +
              " is kept)");
}

void RecordFingerprint(const CatalogGame& game, const std::string& romPath) {
  std::vector<std::uint8_t> image;
  try {
    image = ReadRomImage(romPath);
  } catch (const Failure& failure) {
    Refuse(failure.Description() + " Nothing was changed.");
  }
  std::string serial(kSerialLength, '\0');
  for (std::size_t i = 0; i < kSerialLength && kSerialOffset + i < image.size(); ++i)
    serial[i] = static_cast<char>(image[kSerialOffset + i]);
  if (!SerialMatches(serial, game.Id))
    Refuse("The ROM's serial does not begin with the game's ID " + Quoted(game.Id) +
           ". Nothing was changed.");
  EditSession edit(game, false);
  RequireGameRow(edit, game);
  auto& undo = edit.Undo();
  undo.KeepRow("main.Games", "Number", undo.Literal(game.Number));
  AddFingerprintField(edit.Session());
  CatalogStatement update(edit.Session(), std::string("UPDATE main.Games SET ") +
                                              kFingerprintField + " = ?1 WHERE Number = ?2");
  update.Bind(1, FormatFingerprint(FingerprintOf(image))).Bind(2, game.Number).Step();
  edit.Commit("Record the fingerprint of game " + Quoted(game.Id));
}

}  // namespace kerrow
