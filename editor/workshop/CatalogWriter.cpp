#include "workshop/CatalogWriter.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "catalog/bDatabase.h"
#include "catalog/bIdentify.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Refuse(const std::string& message) {
  throw CatalogWriteError(message);
}

// One writable connection with one transaction: rolled back unless committed.
class WriteSession {
 public:
  // `create` allows a new file; otherwise the file must exist. Messages name
  // `shownPath` when given (the file a scratch copy becomes).
  WriteSession(const std::string& path, bool create, const std::string& shownPath = {})
      : path_(shownPath.empty() ? path : shownPath) {
    std::error_code error;
    if (!create && !fs::is_regular_file(path, error))
      Refuse("The catalog file \"" + path + "\" does not exist.");
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    // Owned from the first moment: SQLite hands out a connection even when
    // opening fails, and every refusal below throws out of this constructor.
    sqlite3* opened = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &opened, flags, nullptr);
    db_.reset(opened);
    if (rc != SQLITE_OK) Fail("open");
    if (sqlite3_db_readonly(db_.get(), "main") == 1) ReadOnly();
    sqlite3_busy_timeout(db_.get(), 200);
    Exec("BEGIN IMMEDIATE");
    open_ = true;
  }
  ~WriteSession() {
    if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  WriteSession(const WriteSession&) = delete;
  WriteSession& operator=(const WriteSession&) = delete;

  sqlite3* Db() const { return db_.get(); }

  void Exec(const std::string& sql) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail("write");
  }
  void Commit() {
    Exec("COMMIT");
    open_ = false;
  }

  [[noreturn]] void Fail(const char* what) {
    const int code = db_ ? sqlite3_extended_errcode(db_.get()) & 0xFF : SQLITE_CANTOPEN;
    if (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM ||
        code == SQLITE_AUTH)
      ReadOnly();
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
      Refuse("The catalog \"" + path_ +
             "\" is in use by another program; try again when it has finished. Nothing was "
             "changed.");
    Refuse(std::string("The catalog \"") + path_ + "\" could not be " +
           (std::string(what) == "open" ? "opened" : "written") + ": " +
           (db_ ? sqlite3_errmsg(db_.get()) : "out of memory") + ". Nothing was changed.");
  }

 private:
  [[noreturn]] void ReadOnly() {
    Refuse("The catalog \"" + path_ +
           "\" cannot be written (the file or its folder is read-only). Nothing was changed.");
  }

  struct Close {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
  };
  std::string path_;
  std::unique_ptr<sqlite3, Close> db_;
  bool open_ = false;
};

class Statement {
 public:
  Statement(WriteSession& session, const std::string& sql) : session_(session) {
    if (sqlite3_prepare_v2(session.Db(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
      session.Fail("write");
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  // True while a row is available.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) session_.Fail("write");
    return false;
  }
  std::string Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? text : "";
  }
  std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  WriteSession& session_;
  sqlite3_stmt* stmt_ = nullptr;
};

bool Exists(WriteSession& session, const std::string& sql, const std::string& value) {
  Statement query(session, sql);
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
void CreateGameTables(WriteSession& session, const std::string& schema) {
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

void CheckSpriteFields(WriteSession& session, const NewSprite& sprite) {
  if (sprite.Name.empty()) Refuse("The sprite needs a name.");
  if (Exists(session, "SELECT 1 FROM SPRITE WHERE Name = ?1", sprite.Name) ||
      Exists(session, "SELECT 1 FROM COMPRESSED WHERE Name = ?1", sprite.Name))
    Refuse("A sprite named \"" + sprite.Name + "\" already exists. Names must be unique.");
  if (sprite.Width < 1 || sprite.Height < 1 || sprite.Width > 255 || sprite.Height > 255)
    Refuse("A sprite is 1 to 255 tiles wide and high.");
  if (sprite.White.empty()) Refuse("The sprite has no tiles of its own.");
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

std::string AddGame(const std::string& dataPath, const NewGame& game) {
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

  WriteSession catalog(catalogPath, false);
  {
    // A game whose ID already names this serial (or a prefix of it) would win
    // identification, so the new row could never be reached.
    Statement games(catalog, "SELECT ID FROM Games ORDER BY Number");
    while (games.Step()) {
      if (SerialMatches(game.Id, games.Text(0)))
        Refuse("The catalog already has a game with the ID \"" + games.Text(0) +
               "\" that this ROM matches.");
    }
  }
  const std::string fileName = FreeDatabaseName(dataPath, game.Id);
  const std::string databasePath = dataPath + fileName;

  // Build the new database completely under a temporary name, then give it
  // its name and commit the catalog row; any failure removes it again.
  const std::string building = databasePath + ".new";
  std::error_code error;
  try {
    {
      WriteSession database(building, true, databasePath);
      CreateGameTables(database, schema);
      Statement nfo(database, "INSERT INTO NFO (Name, Palette) VALUES (?1, ?2)");
      nfo.Bind(1, game.Name.empty() ? game.Id : game.Name).Bind(2, std::int64_t{game.Palette});
      nfo.Step();
      database.Commit();
    }
    fs::rename(building, databasePath);
    Statement row(catalog,
                  "INSERT INTO Games (Number, ID, Database) VALUES "
                  "((SELECT COALESCE(MAX(Number), 0) + 1 FROM Games), ?1, ?2)");
    row.Bind(1, game.Id).Bind(2, fileName);
    row.Step();
    catalog.Commit();
  } catch (...) {
    fs::remove(building, error);
    fs::remove(databasePath, error);
    throw;
  }
  return fileName;
}

void AddPlainSprite(const std::string& databasePath, const NewPlainSprite& sprite) {
  WriteSession session(databasePath, false);
  CheckSpriteFields(session, sprite);
  std::int64_t heading = 0;
  if (sprite.Heading.ExistingId) {
    heading = *sprite.Heading.ExistingId;
    Statement head(session, "SELECT 1 FROM HEAD WHERE ID = ?1");
    head.Bind(1, heading);
    if (!head.Step()) Refuse("The heading chosen for the sprite does not exist.");
  } else {
    if (sprite.Heading.NewName.empty()) Refuse("The new heading needs a name.");
    if (Exists(session, "SELECT 1 FROM HEAD WHERE Name = ?1", sprite.Heading.NewName))
      Refuse("A heading named \"" + sprite.Heading.NewName + "\" already exists.");
    Statement next(session, "SELECT COALESCE(MAX(ID), 0) + 1 FROM HEAD");
    next.Step();
    heading = next.Int(0);
    Statement head(session, "INSERT INTO HEAD (ID, Name) VALUES (?1, ?2)");
    head.Bind(1, heading).Bind(2, sprite.Heading.NewName);
    head.Step();
  }
  Statement row(session,
                "INSERT INTO SPRITE (Name, Heading, Palette, Width, Height, White, Grey) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  row.Bind(1, sprite.Name)
      .Bind(2, heading)
      .Bind(3, std::int64_t{sprite.Palette})
      .Bind(4, std::int64_t{sprite.Width})
      .Bind(5, std::int64_t{sprite.Height})
      .Bind(6, sprite.White)
      .Bind(7, sprite.Grey.empty() ? std::string("-1") : sprite.Grey);
  row.Step();
  session.Commit();
}

void AddCompressedSprite(const std::string& databasePath, const NewCompressedSprite& sprite) {
  WriteSession session(databasePath, false);
  CheckSpriteFields(session, sprite);
  if (sprite.SubHead.empty()) Refuse("The compressed sprite needs a group name.");
  if (sprite.MaxSize < 1) Refuse("The room for the compressed data must be at least one byte.");
  Statement row(session,
                "INSERT INTO COMPRESSED (Name, SubHead, Palette, Width, Height, White, Grey, "
                "Offset, MaxSize) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
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
  session.Commit();
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
