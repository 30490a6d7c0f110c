// Game databases and ROM images written for the window benchmarks.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

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
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kerrow-uibench-XXXXXX").string();
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
  void WriteGame(const std::string& rows) const {
    sqlite3* db = nullptr;
    if (sqlite3_open(File("game.db").c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
    Exec(db, kGameSchema);
    Exec(db, "BEGIN;" + rows + "COMMIT;");
    sqlite3_close(db);
  }

 private:
  std::filesystem::path dir_;
};

// Resident memory of this process in KiB.
inline long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace kerrow::bench
