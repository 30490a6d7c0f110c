#include "workshop/CatalogSession.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>

#include "catalog/RomFingerprint.h"

namespace kerrow {

namespace fs = std::filesystem;

void Refuse(const std::string& message) {
  throw CatalogWriteError(message);
}

void CatalogWriteSession::CheckExisting(const std::string& path) const {
  std::error_code error;
  if (!fs::is_regular_file(path, error))
    Refuse("The catalog file \"" + path + "\" does not exist.");
}

CatalogWriteSession::CatalogWriteSession(const std::string& path, bool create,
                                         const std::string& shownPath,
                                         const std::string& attachPath)
    : path_(shownPath.empty() ? path : shownPath) {
  if (!create) CheckExisting(path);
  if (!attachPath.empty()) CheckExisting(attachPath);
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  // Owned from the first moment: SQLite hands out a connection even when
  // opening fails, and every refusal below throws out of this constructor.
  sqlite3* opened = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &opened, flags, nullptr);
  db_.reset(opened);
  if (rc != SQLITE_OK) Fail("open");
  if (sqlite3_db_readonly(db_.get(), "main") == 1) ReadOnly(path_);
  sqlite3_busy_timeout(db_.get(), 200);
  if (!attachPath.empty()) {
    CatalogStatement attach(*this, "ATTACH DATABASE ?1 AS target");
    attach.Bind(1, attachPath);
    attach.Step();
    if (sqlite3_db_readonly(db_.get(), "target") == 1) ReadOnly(attachPath);
  }
  Exec("BEGIN IMMEDIATE");
  open_ = true;
}

CatalogWriteSession::~CatalogWriteSession() {
  if (open_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void CatalogWriteSession::Close::operator()(sqlite3* db) const {
  sqlite3_close(db);
}

void CatalogWriteSession::Exec(const std::string& sql) {
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail("write");
}

void CatalogWriteSession::Commit() {
  Exec("COMMIT");
  open_ = false;
}

void CatalogWriteSession::Fail(const char* what) {
  const int code = db_ ? sqlite3_extended_errcode(db_.get()) & 0xFF : SQLITE_CANTOPEN;
  if (code == SQLITE_READONLY || code == SQLITE_CANTOPEN || code == SQLITE_PERM ||
      code == SQLITE_AUTH)
    ReadOnly(path_);
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
    Refuse("The catalog \"" + path_ +
           "\" is in use by another program; try again when it has finished. Nothing was "
           "changed.");
  Refuse(std::string("The catalog \"") + path_ + "\" could not be " +
         (std::string(what) == "open" ? "opened" : "written") + ": " +
         (db_ ? sqlite3_errmsg(db_.get()) : "out of memory") + ". Nothing was changed.");
}

void CatalogWriteSession::ReadOnly(const std::string& path) {
  Refuse("The catalog \"" + path +
         "\" cannot be written (the file or its folder is read-only). Nothing was changed.");
}

CatalogStatement::CatalogStatement(CatalogWriteSession& session, const std::string& sql)
    : session_(session) {
  if (sqlite3_prepare_v2(session.Db(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
    session.Fail("write");
}

CatalogStatement::~CatalogStatement() {
  sqlite3_finalize(stmt_);
}

CatalogStatement& CatalogStatement::Bind(int index, const std::string& text) {
  sqlite3_bind_text(stmt_, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

CatalogStatement& CatalogStatement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

bool CatalogStatement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) session_.Fail("write");
  return false;
}

std::string CatalogStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)))
              : "";
}

std::int64_t CatalogStatement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

bool CatalogStatement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int CatalogStatement::Columns() const {
  return sqlite3_column_count(stmt_);
}

std::string CatalogStatement::ColumnName(int column) const {
  return sqlite3_column_name(stmt_, column);
}

std::string CatalogStatement::Literal(int column) const {
  switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
      return "NULL";
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.17g", sqlite3_column_double(stmt_, column));
      return buffer;
    }
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, column));
      std::string literal = "X'";
      char hex[3];
      for (int i = 0; i < sqlite3_column_bytes(stmt_, column); ++i) {
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        literal += hex;
      }
      return literal + "'";
    }
    default: {
      // Text may hold NUL bytes; quote it byte for byte.
      const std::string text = Text(column);
      std::string literal = "'";
      for (const char c : text) {
        if (c == '\0') {
          literal += "' || char(0) || '";
        } else {
          literal += c;
          if (c == '\'') literal += '\'';
        }
      }
      return literal + "'";
    }
  }
}

void CatalogUndoRecorder::Keep(const std::string& table, const std::string& where,
                               const std::string& key) {
  CatalogStatement rows(session_, "SELECT * FROM " + table + where);
  while (rows.Step()) {
    std::string columns;
    std::string values;
    for (int c = 0; c < rows.Columns(); ++c) {
      columns += (c ? ", \"" : "\"") + rows.ColumnName(c) + "\"";
      values += (c ? ", " : "") + rows.Literal(c);
    }
    inserts_ += "INSERT INTO " + table + " (" + columns + ") VALUES (" + values + ");\n";
  }
  deletes_ += "DELETE FROM " + table + key + ";\n";
}

void CatalogUndoRecorder::KeepRow(const std::string& table, const std::string& keyColumn,
                                  const std::string& key) {
  const std::string where = " WHERE \"" + keyColumn + "\" = " + key;
  Keep(table, where, where);
}

void CatalogUndoRecorder::KeepTable(const std::string& table) {
  Keep(table, "", "");
}

void CatalogUndoRecorder::DropRow(const std::string& table, const std::string& keyColumn,
                                  const std::string& key) {
  deletes_ += "DELETE FROM " + table + " WHERE \"" + keyColumn + "\" = " + key + ";\n";
}

std::string CatalogUndoRecorder::Literal(const std::string& text) {
  CatalogStatement value(session_, "SELECT ?1");
  value.Bind(1, text).Step();
  return value.Literal(0);
}

std::string CatalogUndoRecorder::Literal(std::int64_t value) {
  return std::to_string(value);
}

void CatalogUndoRecorder::Record(const std::string& description, const std::string& gameId,
                                 const std::string& target) {
  session_.Exec(
      "CREATE TABLE IF NOT EXISTS main.CatalogUndo (Step INTEGER PRIMARY KEY, Description TEXT "
      "NOT NULL, GameId TEXT NOT NULL, Target TEXT NOT NULL, Script TEXT NOT NULL)");
  CatalogStatement step(session_,
                        "INSERT INTO main.CatalogUndo (Step, Description, GameId, Target, Script) "
                        "VALUES ((SELECT COALESCE(MAX(Step), 0) + 1 FROM main.CatalogUndo), ?1, "
                        "?2, ?3, ?4)");
  step.Bind(1, description).Bind(2, gameId).Bind(3, target).Bind(4, deletes_ + inserts_).Step();
  session_.Exec(
      "DELETE FROM main.CatalogUndo WHERE Step <= (SELECT MAX(Step) FROM "
      "main.CatalogUndo) - " +
      std::to_string(kCatalogUndoSteps));
}

void AddFingerprintField(CatalogWriteSession& session) {
  CatalogStatement columns(
      session,
      ""
      "SELECT 1 FROM pragma_table_info('Games', 'main') WHERE name = ?1 COLLATE NOCASE");
  if (!columns.Bind(1, std::string(kFingerprintField)).Step())
    session.Exec(std::string("ALTER TABLE main.Games ADD COLUMN ") + kFingerprintField + " TEXT");
}

}  // namespace kerrow
