// Game databases and ROM images written for the benchmarks.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace kerrow::bench {

inline void Exec(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "sqlite failure";
    sqlite3_free(message);
    throw std::runtime_error(text);
  }
}

inline constexpr const char* kGameSchema = R"(
  CREATE TABLE NFO (Name TEXT NOT NULL PRIMARY KEY, Palette INTEGER NOT NULL,
                    Completion NUMERIC, Author TEXT, Comment TEXT) WITHOUT ROWID;
  CREATE TABLE HEAD (ID INTEGER NOT NULL PRIMARY KEY, Name TEXT NOT NULL) WITHOUT ROWID;
  CREATE TABLE SPRITE (Name TEXT NOT NULL PRIMARY KEY, Heading INTEGER NOT NULL,
                       Palette INTEGER NOT NULL, Width INTEGER NOT NULL, Height INTEGER NOT NULL,
                       White TEXT NOT NULL, Grey TEXT) WITHOUT ROWID;
  CREATE TABLE COMPRESSED (Name TEXT NOT NULL PRIMARY KEY, SubHead TEXT NOT NULL,
                           Palette INTEGER NOT NULL, Width INTEGER NOT NULL,
                           Height INTEGER NOT NULL, White TEXT NOT NULL, Grey TEXT,
                           Offset INTEGER NOT NULL, MaxSize INTEGER NOT NULL) WITHOUT ROWID;
)";

// A temporary folder holding one game database "game.db" (and whatever else is put there).
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kerrow-bench-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  ~BenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;

  std::string Directory() const { return dir_.string() + "/"; }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  // Creates the game database and runs `rows` (SQL) on it in one transaction.
  void WriteGame(const std::string& rows, const std::string& name = "game.db") const {
    sqlite3* db = nullptr;
    if (sqlite3_open(File(name).c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
    Exec(db, kGameSchema);
    Exec(db, "BEGIN;" + rows + "COMMIT;");
    sqlite3_close(db);
  }

  // A ROM of `size` bytes that look scattered, so that no two tiles are alike.
  void WriteScatteredRom(const std::string& name, std::size_t size) const {
    std::vector<char> rom(size);
    for (std::size_t i = 0; i < rom.size(); ++i)
      rom[i] = static_cast<char>((i * 2654435761u) >> 13);
    std::ofstream(File(name), std::ios::binary)
        .write(rom.data(), static_cast<std::streamsize>(rom.size()));
  }

 private:
  std::filesystem::path dir_;
};

// SQL for a temporary view N(i) counting from `first` to `last`, to insert
// many rows with one statement.
inline std::string CountingView(int first, int last) {
  return "CREATE TEMP VIEW N(i) AS WITH RECURSIVE n(i) AS (SELECT " + std::to_string(first) +
         " UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(last) + ") SELECT i FROM n;";
}

// The peer of the catalog benchmarks: opens `file` read-only and steps through
// every row of each query, touching every value; returns the bytes touched.
inline std::size_t ReadEveryRow(const std::string& file,
                                std::initializer_list<const char*> queries) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::size_t bytes = 0;
  for (const char* sql : queries) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_TEXT) {
          sqlite3_column_text(stmt, c);
          bytes += static_cast<std::size_t>(sqlite3_column_bytes(stmt, c));
        } else {
          bytes += static_cast<std::size_t>(sqlite3_column_int64(stmt, c));
        }
      }
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return bytes;
}

// Resident memory of this process in KiB.
inline long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace kerrow::bench
