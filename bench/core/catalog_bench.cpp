// Reading a full-size game catalog into the sprite tree's node list, against
// a plain SELECT * over the same two tables through SQLite.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "catalog/bDatabase.h"
#include "catalog/bTreeViewHandle.h"
#include "shell/bGlobals.h"

namespace {

constexpr int kRows = 32767;
constexpr int kHeadings = 200;

void Run(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db));
}

// A game database as the catalog schema declares it, with the most rows a
// table may hold and 2x2-tile sprites.
class LargeCatalog {
 public:
  LargeCatalog() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kerrow-bench-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    sqlite3* db = nullptr;
    sqlite3_open((dir_ / "big.mdb").c_str(), &db);
    Run(db, R"(
      CREATE TABLE NFO (Name TEXT NOT NULL PRIMARY KEY, Palette INTEGER NOT NULL,
                        Completion NUMERIC, Author TEXT, Comment TEXT) WITHOUT ROWID;
      CREATE TABLE HEAD (ID INTEGER NOT NULL PRIMARY KEY, Name TEXT NOT NULL) WITHOUT ROWID;
      CREATE TABLE SPRITE (Name TEXT NOT NULL PRIMARY KEY, Heading INTEGER NOT NULL,
                           Palette INTEGER NOT NULL, Width INTEGER NOT NULL,
                           Height INTEGER NOT NULL, White TEXT NOT NULL, Grey TEXT)
                           WITHOUT ROWID;
      CREATE TABLE COMPRESSED (Name TEXT NOT NULL PRIMARY KEY, SubHead TEXT NOT NULL,
                               Palette INTEGER NOT NULL, Width INTEGER NOT NULL,
                               Height INTEGER NOT NULL, White TEXT NOT NULL, Grey TEXT,
                               Offset INTEGER NOT NULL, MaxSize INTEGER NOT NULL) WITHOUT ROWID;
      BEGIN;
      INSERT INTO NFO VALUES ('Big', 4096, 1, 'bench', '');
    )");
    Run(db,
        "CREATE TEMP VIEW N(i) AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
        "FROM n WHERE i < " +
            std::to_string(kRows) + ") SELECT i FROM n;");
    Run(db, "INSERT INTO HEAD SELECT i, 'Heading ' || i FROM N WHERE i <= " +
                std::to_string(kHeadings) + ";");
    const std::string white =
        "'0,0,' || (i * 128) || char(13, 10) || '1,0,' || (i * 128 + 32) || char(13, 10) || "
        "'0,1,' || (i * 128 + 64) || char(13, 10) || '1,1,' || (i * 128 + 96)";
    Run(db, "INSERT INTO SPRITE SELECT 'Sprite ' || i, 1 + i % " + std::to_string(kHeadings) +
                ", 0, 2, 2, " + white + ", '-1' FROM N;");
    Run(db, "INSERT INTO COMPRESSED SELECT 'Packed ' || i, 'Group ' || (i % 50), 0, 2, 2, " +
                white + ", '', i * 256, 200 FROM N;");
    Run(db, "COMMIT;");
    sqlite3_close(db);
  }
  ~LargeCatalog() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  std::string Directory() const { return dir_.string() + "/"; }
  std::string File() const { return (dir_ / "big.mdb").string(); }

 private:
  std::filesystem::path dir_;
};

const LargeCatalog& Catalog() {
  static LargeCatalog catalog;
  return catalog;
}

void BM_NodeListFromCatalog(benchmark::State& state) {
  kerrow::ResetGlobals();
  kerrow::G().DataPath = Catalog().Directory();
  std::size_t nodes = 0;
  for (auto _ : state) {
    kerrow::OpenGameDatabase("big.mdb");
    nodes = kerrow::BuildSpriteNodes().size();
    benchmark::DoNotOptimize(nodes);
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  kerrow::ResetGlobals();
}
BENCHMARK(BM_NodeListFromCatalog)->Unit(benchmark::kMillisecond);

// The peer: open the file and step through both tables, touching every value.
void BM_SelectAllThroughSqlite(benchmark::State& state) {
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Catalog().File().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::size_t bytes = 0;
    for (const char* sql : {"SELECT * FROM SPRITE", "SELECT * FROM COMPRESSED"}) {
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
BENCHMARK(BM_SelectAllThroughSqlite)->Unit(benchmark::kMillisecond);

}  // namespace
