// The catalog writer's connection: one writable SQLite connection with one
// transaction, rolled back unless committed, so a refusal or a failure leaves
// the files as they were. A second database may be attached as "target" so
// that one transaction spans the catalog and a game's database.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "workshop/CatalogWriter.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kerrow {

[[noreturn]] void Refuse(const std::string& message);

class CatalogWriteSession {
 public:
  // `create` allows a new file; otherwise the file must exist. Messages name
  // `shownPath` when given (the file a scratch copy becomes). `attachPath`,
  // when given, must exist and is attached as "target" before the transaction.
  CatalogWriteSession(const std::string& path, bool create, const std::string& shownPath = {},
                      const std::string& attachPath = {});
  ~CatalogWriteSession();
  CatalogWriteSession(const CatalogWriteSession&) = delete;
  CatalogWriteSession& operator=(const CatalogWriteSession&) = delete;

  sqlite3* Db() const { return db_.get(); }

  void Exec(const std::string& sql);
  void Commit();

  [[noreturn]] void Fail(const char* what);

 private:
  [[noreturn]] void ReadOnly(const std::string& path);
  void CheckExisting(const std::string& path) const;

  struct Close {
    void operator()(sqlite3* db) const;
  };
  std::string path_;
  std::unique_ptr<sqlite3, Close> db_;
  bool open_ = false;
};

class CatalogStatement {
 public:
  CatalogStatement(CatalogWriteSession& session, const std::string& sql);
  ~CatalogStatement();
  CatalogStatement(const CatalogStatement&) = delete;
  CatalogStatement& operator=(const CatalogStatement&) = delete;

  CatalogStatement& Bind(int index, const std::string& text);
  CatalogStatement& Bind(int index, std::int64_t value);
  // True while a row is available.
  bool Step();
  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;
  // The column as an SQL literal (NULL, a number, a quoted text or blob).
  std::string Literal(int column) const;
  int Columns() const;
  std::string ColumnName(int column) const;

 private:
  CatalogWriteSession& session_;
  sqlite3_stmt* stmt_ = nullptr;
};

// Adds the optional fingerprint field to main.Games when it lacks it.
void AddFingerprintField(CatalogWriteSession& session);

// Builds the undo step of one change inside its transaction: the rows as they
// were before it, and the keys of the rows it makes. Tables are named with
// their schema ("main.Games", "target.SPRITE"); keys are SQL literals.
class CatalogUndoRecorder {
 public:
  explicit CatalogUndoRecorder(CatalogWriteSession& session) : session_(session) {}

  // Undo puts back the row whose `keyColumn` is `key` as it is now (if any).
  void KeepRow(const std::string& table, const std::string& keyColumn, const std::string& key);
  // Undo puts back every row of the table as it is now.
  void KeepTable(const std::string& table);
  // Undo removes the row whose `keyColumn` will be `key`.
  void DropRow(const std::string& table, const std::string& keyColumn, const std::string& key);

  std::string Literal(const std::string& text);
  std::string Literal(std::int64_t value);

  // Writes the step into main.CatalogUndo (made when missing), keeping the
  // newest steps only. `target` is the game database attached, relative to
  // the data directory, or "" when only game.mdb changed.
  void Record(const std::string& description, const std::string& gameId, const std::string& target);

 private:
  void Keep(const std::string& table, const std::string& where, const std::string& key);

  CatalogWriteSession& session_;
  std::string deletes_;
  std::string inserts_;
};

// How many changes the catalog remembers for undo.
inline constexpr int kCatalogUndoSteps = 100;

}  // namespace kerrow
