// The catalog check on a game of 32,767 plain sprites (2x2 tiles each, spread
// over a 4 MiB ROM) against opening its file and reading every row with SQLite.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/bGlobals.h"
#include "workshop/CatalogCheck.h"

namespace {

constexpr int kRows = 32767;
constexpr int kHeadings = 200;
constexpr std::size_t kRomSize = 4 << 20;

void Exec(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db));
}

class CheckedGame {
 public:
  CheckedGame() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kerrow-check-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    std::vector<char> rom(kRomSize, 0);
    const std::string serial = "GM BENCH001-00";
    std::copy(serial.begin(), serial.end(), rom.begin() + 0x180);
    std::ofstream(Rom(), std::ios::binary)
        .write(rom.data(), static_cast<std::streamsize>(rom.size()));

    sqlite3* db = nullptr;
    sqlite3_open((dir_ / "game.mdb").c_str(), &db);
    Exec(db,
         "CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT, Database TEXT);"
         "INSERT INTO Games VALUES (1, 'BENCH001', 'big.mdb');");
    sqlite3_close(db);
    sqlite3_open(Database().c_str(), &db);
    Exec(db, R"(
      CREATE TABLE NFO (Name TEXT NOT NULL PRIMARY KEY, Palette INTEGER NOT NULL,
                        Completion NUMERIC, Author TEXT, Comment TEXT) WITHOUT ROWID;
      CREATE TABLE HEAD (ID INTEGER NOT NULL PRIMARY KEY, Name TEXT NOT NULL) WITHOUT ROWID;
      CREATE TABLE SPRITE (Name TEXT NOT NULL PRIMARY KEY, Heading INTEGER NOT NULL,
                           Palette INTEGER NOT NULL, Width INTEGER NOT NULL,
                           Height INTEGER NOT NULL, White TEXT NOT NULL, Grey TEXT) WITHOUT ROWID;
      CREATE TABLE COMPRESSED (Name TEXT NOT NULL PRIMARY KEY, SubHead TEXT NOT NULL,
                               Palette INTEGER NOT NULL, Width INTEGER NOT NULL,
                               Height INTEGER NOT NULL, White TEXT NOT NULL, Grey TEXT,
                               Offset INTEGER NOT NULL, MaxSize INTEGER NOT NULL) WITHOUT ROWID;
      BEGIN;
      INSERT INTO NFO VALUES ('Big', 512, 1, 'bench', '');
    )");
    Exec(db,
         "CREATE TEMP VIEW N(i) AS WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 "
         "FROM n WHERE i < " +
             std::to_string(kRows - 1) + ") SELECT i FROM n;");
    Exec(db, "INSERT INTO HEAD SELECT i, 'Heading ' || i FROM N WHERE i BETWEEN 1 AND " +
                 std::to_string(kHeadings) + ";");
    // 128 bytes of tiles a sprite, every sprite's own, filling the ROM; a
    // context tile that repeats one of them.
    const std::string base = "(i * 128)";
    const std::string white = "'0,0,' || " + base + " || char(13, 10) || '1,0,' || (" + base +
                              " + 32) || char(13, 10) || '0,1,' || (" + base +
                              " + 64) || char(13, 10) || '1,1,' || (" + base + " + 96)";
    Exec(db, "INSERT INTO SPRITE SELECT 'Sprite ' || i, 1 + i % " + std::to_string(kHeadings) +
                 ", 0, 2, 2, " + white + ", '1,1,' || " + base + " FROM N;");
    Exec(db, "COMMIT;");
    sqlite3_close(db);
  }
  ~CheckedGame() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Directory() const { return dir_.string() + "/"; }
  std::string Rom() const { return (dir_ / "rom.bin").string(); }
  std::string Database() const { return (dir_ / "big.mdb").string(); }

 private:
  std::filesystem::path dir_;
};

const CheckedGame& Game() {
  static CheckedGame game;
  return game;
}

void BM_CheckCatalog(benchmark::State& state) {
  kerrow::ResetGlobals();
  kerrow::G().DataPath = Game().Directory();
  std::size_t problems = 0;
  for (auto _ : state) {
    problems = kerrow::CheckCatalog(Game().Rom()).Problems.size();
    benchmark::DoNotOptimize(problems);
  }
  if (problems != 0) state.SkipWithError("the benchmark catalog should be clean");
  kerrow::ResetGlobals();
}
BENCHMARK(BM_CheckCatalog)->Unit(benchmark::kMillisecond);

// The peer: open the file and step through its rows, touching every value.
void BM_CheckPeerReadRows(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Game().Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t bytes = 0;
    for (const char* sql : {"SELECT * FROM NFO", "SELECT * FROM HEAD", "SELECT * FROM SPRITE",
                            "SELECT * FROM COMPRESSED"}) {
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
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_CheckPeerReadRows)->Unit(benchmark::kMillisecond);

}  // namespace
