// The catalog store: read-only SQLite databases seen through whole-table views
// that behave like the old engine's table-type recordsets (primary-key order, a
// current row, Seek on "Name", exact row counts, typed field reads).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace kerrow {

// One field value as stored: null, whole number, real number or text.
using FieldValue = std::variant<std::monostate, std::int64_t, double, std::string>;

class TableView {
 public:
  TableView(std::string name, std::vector<std::string> columns,
            std::vector<std::vector<FieldValue>> rows);
  // Rows given one after another, columns.size() cells each.
  TableView(std::string name, std::vector<std::string> columns, std::vector<FieldValue> cells);

  const std::string& Name() const { return name_; }

  void MoveFirst() { current_ = 0; }
  void MoveNext();
  bool Eof() const { return current_ >= rowCount_; }
  std::int32_t RecordCount() const { return static_cast<std::int32_t>(rowCount_); }

  // Positions the view on the first row (in primary-key order) whose "Name"
  // equals `key`; with no such row the view has no current row and Eof() is true.
  bool Seek(std::string_view key);

  // Field reads on the current row. Failures: no current row 3021, unknown
  // field 3265, null 94, a text that is no number 13, out of range 6; each
  // description ends with where it came from, e.g. (SPRITE "Gem", Width).
  bool IsNull(std::string_view field) const;
  std::string Text(std::string_view field) const;
  std::int32_t Long(std::string_view field) const;
  std::int16_t Integer(std::string_view field) const;
  const FieldValue& Value(std::string_view field) const;

  // For loops over many rows: a field's position, found once (3265 if the
  // table lacks it), then read on each row.
  std::size_t FieldIndex(std::string_view field) const { return Column(field); }
  // Whether the table has the field (for optional fields newer catalogs add).
  bool HasField(std::string_view field) const;
  std::string TextAt(std::size_t column) const;

  // Where a value of `field` on the current row comes from: the table, the
  // row's "Name" when it has one, and the field, e.g. SPRITE "Gem", Width.
  std::string Place(std::string_view field) const;

 private:
  template <typename Int>
  Int Whole(std::string_view field) const;
  std::size_t Column(std::string_view field) const;
  const FieldValue& Cell(std::size_t column) const;

  std::string name_;
  std::vector<std::string> columns_;
  std::vector<FieldValue> cells_;  // row after row
  std::size_t rowCount_ = 0;
  std::size_t current_ = 0;
  mutable std::optional<std::unordered_map<std::string, std::size_t>> byName_;
};

class Database {
 public:
  // Opens an existing database file read-only. A missing or unreadable file is
  // failure 3024; a file that is no database fails likewise.
  static std::unique_ptr<Database> Open(const std::string& path);

  struct Handle;
  class Key {
    friend class Database;
    Key() = default;
  };
  Database(Key, std::string path, std::unique_ptr<Handle> handle);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // A view of the whole table in primary-key order, on its first row. A missing
  // table is failure 3078.
  std::unique_ptr<TableView> OpenTable(const std::string& table) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::unique_ptr<Handle> handle_;
};

// Conversions shared with tile lists: the general text-to-integer rule
// (optional leading blanks, decimal or "&H" hexadecimal). Failures 13 and 6.
std::int32_t TextToLong(std::string_view text);
std::int16_t TextToInteger(std::string_view text);

// Indexes of GameTables.
enum GameTable : std::size_t { kNfo = 0, kHead = 1, kSprite = 2, kCompressed = 3 };

// Opens DataPath + "game.mdb" as CatalogDb and its table "Games" as GamesTable.
void OpenCatalog();
// Closes the current game, then opens DataPath + `databaseText` (a relative
// path that may use "\" separators) and its four tables into GameTables.
void OpenGameDatabase(const std::string& databaseText);
// Releases GameDb and then the four views.
void CloseGameDatabase();

// Resolves a "Database" text against DataPath, accepting Windows separators.
std::string ResolveDataFile(const std::string& relative);
// The same against another data directory than DataPath.
std::string ResolveDataFileIn(const std::string& dataPath, const std::string& relative);

}  // namespace kerrow
