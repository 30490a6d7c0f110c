// The catalog check on a game of 32,767 plain sprites (2x2 tiles each, spread
// over a 4 MiB ROM) against opening its file and reading every row with SQLite.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstddef>
#include <fstream>
#include <string>

#include "LargeCatalog.h"
#include "shell/bGlobals.h"
#include "workshop/CatalogCheck.h"

namespace {

constexpr std::size_t kRomSize = 4 << 20;

// A 4 MiB ROM whose header names the game, the games list pointing at its
// catalog, and a large catalog whose sprites' tiles fill the ROM, 128 bytes
// each, with a context tile that repeats one of them.
class CheckedGame {
 public:
  CheckedGame() {
    std::string rom(kRomSize, '\0');
    rom.replace(0x180, 14, "GM BENCH001-00");
    std::ofstream(Rom(), std::ios::binary)
        .write(rom.data(), static_cast<std::streamsize>(rom.size()));

    sqlite3* db = nullptr;
    sqlite3_open(folder_.File("game.mdb").c_str(), &db);
    kerrow::bench::Exec(db,
                        "CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT, Database TEXT);"
                        "INSERT INTO Games VALUES (1, 'BENCH001', 'big.mdb');");
    sqlite3_close(db);
    folder_.WriteGame(kerrow::bench::LargeCatalogStart(512, 0) +
                          kerrow::bench::LargeSpriteRows("'1,1,' || (i * 128)"),
                      "big.mdb");
  }
  std::string Directory() const { return folder_.Directory(); }
  std::string Rom() const { return folder_.File("rom.bin"); }
  std::string Database() const { return folder_.File("big.mdb"); }

 private:
  kerrow::bench::BenchFolder folder_;
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
    benchmark::DoNotOptimize(kerrow::bench::ReadEveryRow(
        Game().Database(), {"SELECT * FROM NFO", "SELECT * FROM HEAD", "SELECT * FROM SPRITE",
                            "SELECT * FROM COMPRESSED"}));
  }
}
BENCHMARK(BM_CheckPeerReadRows)->Unit(benchmark::kMillisecond);

}  // namespace
