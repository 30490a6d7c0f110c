#include "catalog/bDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <limits>

#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

constexpr const char* kCatalogSource = "Catalog";
constexpr const char* kRuntimeSource = "kerrow";

[[noreturn]] void Fail(std::int32_t number, const std::string& description,
                       const char* source = kCatalogSource) {
  throw Failure(number, description, source);
}

// How long a read waits for another program's write to finish.
constexpr int kBusyWaitMs = 500;

bool InUse(int rc) {
  rc &= 0xFF;
  return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

// A failed read of the database at `path`: locked by another program, not a
// database at all, or some other failure of the engine.
[[noreturn]] void FailRead(sqlite3* db, int rc, const std::string& path) {
  if (InUse(rc))
    Fail(kErrCatalogInUse, "Could not use '" + path + "': it is in use by another program.");
  if ((rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
    Fail(kErrCatalogNotFound, "Unrecognized database format '" + path + "'.");
  Fail(kErrCatalogNotFound, "Could not read '" + path + "': " + sqlite3_errmsg(db) + ".");
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + '"';
}

// Whole-number range check shared by the 32- and 16-bit reads.
template <typename Int>
Int Narrow(std::int64_t value) {
  if (value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
    Fail(kErrOverflow, "Overflow", kRuntimeSource);
  return static_cast<Int>(value);
}

// Reals convert as the old engine did: to the nearest integer, halves to even.
std::int64_t RoundReal(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.0e18)
    Fail(kErrOverflow, "Overflow", kRuntimeSource);
  return static_cast<std::int64_t>(std::nearbyint(value));
}

std::int64_t ParseWhole(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::size_t end = text.size();
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  std::string_view body = text.substr(i, end - i);
  auto mismatch = [] [[noreturn]] () { Fail(kErrTypeMismatch, "Type mismatch", kRuntimeSource); };
  if (body.empty()) mismatch();

  if (body.size() > 2 && body[0] == '&' && (body[1] == 'H' || body[1] == 'h')) {
    std::uint64_t value = 0;
    for (char c : body.substr(2)) {
      int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                  : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                              : -1;
      if (digit < 0) mismatch();
      value = value * 16 + static_cast<unsigned>(digit);
      if (value > 0xFFFFFFFFull) Fail(kErrOverflow, "Overflow", kRuntimeSource);
    }
    // Hexadecimal constants are 32-bit two's complement: &HFFFFFFFF is -1.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }

  bool negative = false;
  std::size_t k = 0;
  if (body[0] == '+' || body[0] == '-') {
    negative = body[0] == '-';
    k = 1;
  }
  if (k == body.size()) mismatch();
  std::int64_t value = 0;
  for (; k < body.size(); ++k) {
    if (!std::isdigit(static_cast<unsigned char>(body[k]))) mismatch();
    value = value * 10 + (body[k] - '0');
    if (value > (std::int64_t{1} << 40)) Fail(kErrOverflow, "Overflow", kRuntimeSource);
  }
  return negative ? -value : value;
}

std::int64_t ToWhole(const FieldValue& value) {
  if (std::holds_alternative<std::monostate>(value))
    Fail(kErrInvalidNull, "Invalid use of Null", kRuntimeSource);
  if (auto* i = std::get_if<std::int64_t>(&value)) return *i;
  if (auto* d = std::get_if<double>(&value)) return RoundReal(*d);
  return ParseWhole(std::get<std::string>(value));
}

}  // namespace

std::int32_t TextToLong(std::string_view text) {
  return Narrow<std::int32_t>(ParseWhole(text));
}
std::int16_t TextToInteger(std::string_view text) {
  return Narrow<std::int16_t>(ParseWhole(text));
}

// ---- TableView ----

TableView::TableView(std::string name, std::vector<std::string> columns,
                     std::vector<std::vector<FieldValue>> rows)
    : name_(std::move(name)), columns_(std::move(columns)), rowCount_(rows.size()) {
  cells_.reserve(rows.size() * columns_.size());
  for (auto& row : rows) {
    row.resize(columns_.size());
    std::move(row.begin(), row.end(), std::back_inserter(cells_));
  }
}

TableView::TableView(std::string name, std::vector<std::string> columns,
                     std::vector<FieldValue> cells)
    : name_(std::move(name)),
      columns_(std::move(columns)),
      cells_(std::move(cells)),
      rowCount_(columns_.empty() ? 0 : cells_.size() / columns_.size()) {
  cells_.resize(rowCount_ * columns_.size());
}

void TableView::MoveNext() {
  if (Eof()) Fail(kErrNoCurrentRecord, "No current record. (" + name_ + ")");
  ++current_;
}

bool TableView::Seek(std::string_view key) {
  std::size_t nameColumn = Column("Name");
  if (!byName_) {
    byName_.emplace();
    byName_->reserve(rowCount_);
    for (std::size_t r = 0; r < rowCount_; ++r) {
      const FieldValue& name = cells_[r * columns_.size() + nameColumn];
      if (auto* text = std::get_if<std::string>(&name)) byName_->emplace(*text, r);
    }
  }
  auto found = byName_->find(std::string(key));
  current_ = found == byName_->end() ? rowCount_ : found->second;
  return !Eof();
}

std::size_t TableView::Column(std::string_view field) const {
  for (std::size_t c = 0; c < columns_.size(); ++c)
    if (SameName(columns_[c], field)) return c;
  Fail(kErrNoSuchField,
       "Item not found in this collection. (" + name_ + "." + std::string(field) + ")");
}

bool TableView::HasField(std::string_view field) const {
  return std::any_of(columns_.begin(), columns_.end(),
                     [&](const std::string& column) { return SameName(column, field); });
}

const FieldValue& TableView::Value(std::string_view field) const {
  return Cell(Column(field));
}

const FieldValue& TableView::Cell(std::size_t column) const {
  if (column >= columns_.size()) Fail(kErrNoSuchField, "Item not found in this collection.");
  if (Eof())
    throw Failure(kErrNoCurrentRecord, "No current record.", kCatalogSource).At(Place(columns_[column]));
  return cells_[current_ * columns_.size() + column];
}

std::string TableView::Place(std::string_view field) const {
  std::string place = name_;
  if (!Eof()) {
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      if (!SameName(columns_[c], "Name")) continue;
      if (auto* text = std::get_if<std::string>(&cells_[current_ * columns_.size() + c]))
        place += " \"" + *text + "\"";
      break;
    }
  }
  return place + ", " + std::string(field);
}

bool TableView::IsNull(std::string_view field) const {
  return std::holds_alternative<std::monostate>(Value(field));
}

std::string TableView::Text(std::string_view field) const {
  return TextAt(Column(field));
}

std::string TableView::TextAt(std::size_t column) const {
  const FieldValue& value = Cell(column);
  if (std::holds_alternative<std::monostate>(value))
    throw Failure(kErrInvalidNull, "Invalid use of Null", kRuntimeSource).At(Place(columns_[column]));
  if (auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&value)) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", *d);
    return buffer;
  }
  return std::get<std::string>(value);
}

template <typename Int>
Int TableView::Whole(std::string_view field) const {
  const FieldValue& value = Value(field);
  try {
    return Narrow<Int>(ToWhole(value));
  } catch (const Failure& failure) {
    throw failure.At(Place(field));
  }
}

std::int32_t TableView::Long(std::string_view field) const {
  return Whole<std::int32_t>(field);
}

std::int16_t TableView::Integer(std::string_view field) const {
  return Whole<std::int16_t>(field);
}

// ---- Database ----

struct Database::Handle {
  sqlite3* db = nullptr;
  ~Handle() { sqlite3_close(db); }
};

Database::Database(Key, std::string path, std::unique_ptr<Handle> handle)
    : path_(std::move(path)), handle_(std::move(handle)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::Open(const std::string& path) {
  auto handle = std::make_unique<Handle>();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    Fail(kErrCatalogNotFound, "Could not find file '" + path + "'.");
  int rc = sqlite3_open_v2(path.c_str(), &handle->db, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) {
    Fail(kErrCatalogNotFound, "Could not open '" + path + "': " + sqlite3_errstr(rc) + ".");
  }
  // A writer elsewhere (the editor adding a sprite) holds its lock only for
  // a moment; one that keeps it is reported rather than waited for.
  sqlite3_busy_timeout(handle->db, kBusyWaitMs);
  // Opening is lazy in SQLite: touch the schema now so that a file that is no
  // database fails here rather than at the first table.
  rc = sqlite3_exec(handle->db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) FailRead(handle->db, rc, path);
  return std::make_unique<Database>(Key{}, path, std::move(handle));
}

namespace {

// A read that failed after the database was opened; a lock taken since then
// by another program is said as such.
[[noreturn]] void FailLaterRead(sqlite3* db, int rc, const std::string& path) {
  if (InUse(rc)) FailRead(db, rc, path);
  Fail(kErrPathAccess, std::string("Catalog read failed: ") + sqlite3_errmsg(db));
}

struct Statement {
  sqlite3_stmt* stmt = nullptr;
  Statement(sqlite3* db, const std::string& sql, const std::string& path) {
    if (const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr); rc != SQLITE_OK)
      FailLaterRead(db, rc, path);
  }
  ~Statement() { sqlite3_finalize(stmt); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
};

FieldValue ReadColumn(sqlite3_stmt* stmt, int c) {
  switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_INTEGER:
      return static_cast<std::int64_t>(sqlite3_column_int64(stmt, c));
    case SQLITE_FLOAT:
      return sqlite3_column_double(stmt, c);
    case SQLITE_NULL:
      return std::monostate{};
    default: {
      auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)));
    }
  }
}

}  // namespace

std::unique_ptr<TableView> Database::OpenTable(const std::string& table) const {
  sqlite3* db = handle_->db;
  std::string actualName;
  {
    Statement lookup(
        db, "SELECT name FROM sqlite_master WHERE type='table' AND name = ?1 COLLATE NOCASE",
        path_);
    sqlite3_bind_text(lookup.stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(lookup.stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) FailLaterRead(db, rc, path_);
    if (rc != SQLITE_ROW)
      Fail(kErrNoSuchTable, "Could not find table '" + table + "' in '" + path_ + "'.");
    actualName = reinterpret_cast<const char*>(sqlite3_column_text(lookup.stmt, 0));
  }

  // Order by the primary key's columns in key order, as the old engine's index did.
  std::vector<std::pair<int, std::string>> keyColumns;
  {
    Statement info(db, "PRAGMA table_info(" + QuoteIdentifier(actualName) + ")", path_);
    while (sqlite3_step(info.stmt) == SQLITE_ROW) {
      int pk = sqlite3_column_int(info.stmt, 5);
      if (pk > 0)
        keyColumns.emplace_back(pk,
                                reinterpret_cast<const char*>(sqlite3_column_text(info.stmt, 1)));
    }
  }
  std::sort(keyColumns.begin(), keyColumns.end());
  std::string order;
  for (const auto& [rank, column] : keyColumns)
    order += (order.empty() ? "" : ", ") + QuoteIdentifier(column);
  if (order.empty()) order = "rowid";

  Statement select(db, "SELECT * FROM " + QuoteIdentifier(actualName) + " ORDER BY " + order,
                   path_);
  int columnCount = sqlite3_column_count(select.stmt);
  std::vector<std::string> columns;
  for (int c = 0; c < columnCount; ++c) columns.emplace_back(sqlite3_column_name(select.stmt, c));

  std::vector<FieldValue> cells;
  int rc;
  while ((rc = sqlite3_step(select.stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columnCount; ++c) cells.push_back(ReadColumn(select.stmt, c));
  }
  if (rc != SQLITE_DONE) FailLaterRead(db, rc, path_);
  return std::make_unique<TableView>(actualName, std::move(columns), std::move(cells));
}

// ---- Program operations ----

namespace {

// Catalogs written on Windows name files without regard to case; on a
// case-sensitive file system, look for a unique entry that differs only in case.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& base,
                                       const std::filesystem::path& relative) {
  namespace fs = std::filesystem;
  fs::path resolved = base;
  std::error_code error;
  for (const fs::path& part : relative) {
    fs::path exact = resolved / part;
    if (fs::exists(exact, error) || part == "." || part == "..") {
      resolved = exact;
      continue;
    }
    std::optional<fs::path> match;
    for (const auto& entry : fs::directory_iterator(resolved, error)) {
      if (SameName(entry.path().filename().string(), part.string())) {
        if (match) return base / relative;  // ambiguous: keep the name as written
        match = entry.path();
      }
    }
    if (!match) return base / relative;
    resolved = *match;
  }
  return resolved;
}

}  // namespace

std::string ResolveDataFile(const std::string& relative) {
  return ResolveDataFileIn(G().DataPath, relative);
}

std::string ResolveDataFileIn(const std::string& dataPath, const std::string& relative) {
  std::string path = relative;
  std::replace(path.begin(), path.end(), '\\', '/');
  std::string direct = dataPath + path;
  std::error_code error;
  if (path.empty() || path.front() == '/' || std::filesystem::exists(direct, error)) return direct;
  std::string base = dataPath.empty() ? std::string(".") : dataPath;
  std::string found = FindIgnoringCase(base, path).string();
  return dataPath.empty() && found.starts_with("./") ? found.substr(2) : found;
}

void OpenCatalog() {
  auto& g = G();
  g.GamesTable.reset();
  g.CatalogDb = Database::Open(g.DataPath + "game.mdb");
  g.GamesTable = g.CatalogDb->OpenTable("Games");
}

void CloseGameDatabase() {
  auto& g = G();
  g.GameDb.reset();
  for (auto& view : g.GameTables) view.reset();
}

void OpenGameDatabase(const std::string& databaseText) {
  CloseGameDatabase();
  // Open everything before publishing it, so that a database lacking a table
  // leaves no game open rather than half of one.
  auto database = Database::Open(ResolveDataFile(databaseText));
  static constexpr const char* kTables[] = {"NFO", "HEAD", "SPRITE", "COMPRESSED"};
  std::array<std::unique_ptr<TableView>, 4> tables;
  for (std::size_t i = 0; i < tables.size(); ++i) tables[i] = database->OpenTable(kTables[i]);
  auto& g = G();
  g.GameDb = std::move(database);
  g.GameTables = std::move(tables);
}

}  // namespace kerrow
