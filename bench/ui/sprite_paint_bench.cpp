// Loading a 64x64-tile sprite and painting the first viewport at zoom 1 and at
// zoom 24 (a 12288-pixel square surface): the cost and the memory of the view
// must not grow with the zoom, since only the exposed part is painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include "BenchCatalog.h"
#include "BenchWindow.h"
#include "browser/SpriteSelection.h"
#include "catalog/bDatabase.h"
#include "graphics/SurfaceView.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

constexpr int kTiles = 64;
constexpr int kTileData = 0x10000;  // tiles follow the palette block at 0x1000

// A ROM with a palette and 4096 scattered-looking tiles, and a game listing them.
const bench::BenchFolder& BigSprite() {
  static const bench::BenchFolder folder;
  [[maybe_unused]] static const bool written = [] {
    folder.WriteScatteredRom("big.bin", kTileData + kTiles * kTiles * 32);
    folder.WriteGame(R"(
      INSERT INTO NFO VALUES ('Big', 4096, 1, 'bench', '');
      INSERT INTO HEAD VALUES (1, 'Big');
    )" + bench::CountingView(0, kTiles * kTiles - 1) +
                     R"(
      INSERT INTO SPRITE SELECT 'Big', 1, 0, 64, 64,
        group_concat((i % 64) || ',' || (i / 64) || ',' || (65536 + 32 * i), char(13, 10)), '-1'
        FROM (SELECT i FROM N ORDER BY i);
    )");
    return true;
  }();
  return folder;
}

struct Session {
  Session() {
    ResetGlobals();
    bench::ShowWithGame(window, BigSprite(), "big.bin");
  }
  ~Session() { ResetGlobals(); }

  // Loads the sprite and paints what the viewport shows of it.
  void LoadAndPaint(std::int16_t zoom) {
    G().ZoomFactor = zoom;
    const SpriteNode node{2, "Big", "TVRLHEAD_1"};
    SelectSprite(&node, *window.picSprite);
    QPixmap viewport = window.picEdBack->grab();
    benchmark::DoNotOptimize(viewport);
  }

  frmMain window;
};

void BM_LoadAndPaintFirstViewport(benchmark::State& state) {
  Session session;
  const auto zoom = static_cast<std::int16_t>(state.range(0));
  for (auto _ : state) session.LoadAndPaint(zoom);
  if (!G().SpriteLoaded || session.window.picSprite->width() != 8 * kTiles * zoom) {
    state.SkipWithError("the sprite did not load");
  }
}
BENCHMARK(BM_LoadAndPaintFirstViewport)->Arg(1)->Arg(24)->Unit(benchmark::kMillisecond);

// Resident memory after loading at zoom 1, then after loading the same sprite
// at zoom 24: the growth is reported as a percentage.
void BM_MemoryZoom1To24(benchmark::State& state) {
  Session session;
  double growth = 0;
  for (auto _ : state) {
    session.LoadAndPaint(1);
    const long atZoom1 = bench::ResidentKiB();
    session.LoadAndPaint(24);
    const long atZoom24 = bench::ResidentKiB();
    growth = 100.0 * static_cast<double>(atZoom24 - atZoom1) / static_cast<double>(atZoom1);
  }
  state.counters["rss_growth_pct"] = growth;
  state.counters["rss_kib"] = static_cast<double>(bench::ResidentKiB());
}
BENCHMARK(BM_MemoryZoom1To24)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kerrow
