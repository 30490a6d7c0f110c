// Reading a full-size game catalog into the sprite tree's node list, against
// a plain SELECT * over the same two tables through SQLite.
#include <benchmark/benchmark.h>

#include <string>

#include "LargeCatalog.h"
#include "catalog/bDatabase.h"
#include "catalog/bTreeViewHandle.h"
#include "shell/bGlobals.h"

namespace {

// A large catalog whose every sprite also has a compressed twin.
const kerrow::bench::BenchFolder& Catalog() {
  static const kerrow::bench::BenchFolder folder;
  [[maybe_unused]] static const bool written = [] {
    using namespace kerrow::bench;
    folder.WriteGame(LargeCatalogStart(4096, 1) + LargeSpriteRows("'-1'") +
                         "INSERT INTO COMPRESSED SELECT 'Packed ' || i, 'Group ' || (i % 50), "
                         "0, 2, 2, " +
                         TwoByTwoWhite("i * 128") + ", '', i * 256, 200 FROM N;",
                     "big.mdb");
    return true;
  }();
  return folder;
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
    benchmark::DoNotOptimize(kerrow::bench::ReadEveryRow(
        Catalog().File("big.mdb"), {"SELECT * FROM SPRITE", "SELECT * FROM COMPRESSED"}));
  }
}
BENCHMARK(BM_SelectAllThroughSqlite)->Unit(benchmark::kMillisecond);

}  // namespace
