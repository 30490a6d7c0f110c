// Writes small SQLite catalogs for the catalog tests.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "TestSupport.h"
#include "shell/Failure.h"

namespace kerrow::test {

// The number of the Failure that `action` throws, or 0 when it throws none.
template <typename Action>
std::int32_t FailureNumber(Action&& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.Number();
  }
  return 0;
}

// Creates (or replaces) a database file and runs SQL on it.
class SqlFile {
 public:
  explicit SqlFile(const std::string& path) {
    std::remove(path.c_str());
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK)
      throw std::runtime_error("cannot create " + path);
  }
  ~SqlFile() { sqlite3_close(db_); }
  SqlFile(const SqlFile&) = delete;
  SqlFile& operator=(const SqlFile&) = delete;

  SqlFile& Run(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "?";
      sqlite3_free(message);
      throw std::runtime_error("SQL failed: " + text + "\n" + sql);
    }
    return *this;
  }

 private:
  sqlite3* db_ = nullptr;
};

// The tables of a game database as the demo schema declares them.
inline const char* kGameTablesSql = R"(
  CREATE TABLE NFO (Name TEXT, Palette INTEGER, Completion NUMERIC, Author TEXT, Comment TEXT);
  CREATE TABLE HEAD (ID INTEGER PRIMARY KEY, Name TEXT);
  CREATE TABLE SPRITE (Name TEXT PRIMARY KEY, Heading, Palette, Width, Height, White, Grey);
  CREATE TABLE COMPRESSED (Name TEXT PRIMARY KEY, SubHead, Palette, Width, Height, White, Grey,
                           Offset, MaxSize);
)";

// A data directory with game.mdb listing (ID, Database) rows in Number order.
inline void WriteGamesCatalog(const ScratchDir& dir, const std::string& rowsSql) {
  SqlFile(dir.File("game.mdb"))
      .Run("CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT, Database TEXT);")
      .Run(rowsSql);
}

// A game database at `relative` (forward slashes) inside the data directory.
inline void WriteGameDatabase(const ScratchDir& dir, const std::string& relative,
                              const std::string& rowsSql) {
  SqlFile(dir.File(relative)).Run(kGameTablesSql).Run(rowsSql);
}

}  // namespace kerrow::test
