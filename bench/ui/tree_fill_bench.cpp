// Filling the sprite tree for a game with 32,767 plain and 32,767 compressed
// sprites, against building the node list alone (the core's part of it).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTreeWidget>

#include "BenchCatalog.h"
#include "catalog/bDatabase.h"
#include "catalog/bTreeViewHandle.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

const bench::BenchFolder& LargeGame() {
  static const bench::BenchFolder folder;
  [[maybe_unused]] static const bool written = [] {
    folder.WriteGame(R"(
      INSERT INTO NFO VALUES ('Big', 4096, 1, 'bench', '');
      CREATE TEMP VIEW N(i) AS WITH RECURSIVE n(i) AS
        (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 32767) SELECT i FROM n;
      INSERT INTO HEAD SELECT i, 'Heading ' || i FROM N WHERE i <= 200;
      INSERT INTO SPRITE SELECT 'Sprite ' || i, 1 + i % 200, 0, 2, 2,
        '0,0,0' || char(13, 10) || '1,0,32', '-1' FROM N;
      INSERT INTO COMPRESSED SELECT 'Packed ' || i, 'Group ' || (i % 50), 0, 2, 2,
        '0,0,0', '', i * 256, 200 FROM N;
    )");
    return true;
  }();
  return folder;
}

void OpenLargeGame() {
  ResetGlobals();
  G().DataPath = LargeGame().Directory();
  OpenGameDatabase("game.db");
}

void BM_NodeListOnly(benchmark::State& state) {
  OpenLargeGame();
  std::size_t nodes = 0;
  for (auto _ : state) {
    nodes = BuildSpriteNodes().size();
    benchmark::DoNotOptimize(nodes);
  }
  state.counters["nodes"] = static_cast<double>(nodes);
  ResetGlobals();
}
BENCHMARK(BM_NodeListOnly)->Unit(benchmark::kMillisecond);

void BM_TreeFill(benchmark::State& state) {
  OpenLargeGame();
  frmMain window;
  window.show();
  QApplication::processEvents();
  int items = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.tvSprites->clear();
    state.ResumeTiming();
    window.FillTree();
    QApplication::processEvents();  // the tree lays out and paints its first rows
  }
  for (QTreeWidgetItemIterator it(window.tvSprites); *it; ++it) ++items;
  if (items != 32767 * 2 + 200 + 1 + 50) state.SkipWithError("the tree is incomplete");
  state.counters["items"] = items;
  window.tvSprites->clear();
  ResetGlobals();
}
BENCHMARK(BM_TreeFill)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kerrow
