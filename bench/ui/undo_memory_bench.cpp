// One-pixel pencil strokes on a 1024x1024-tile sprite (a 64 MiB pixel grid):
// the undo history must cost memory for the pixels changed, not for the
// sprite, and a stroke must cost no more time than on a one-tile sprite.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>

#include "BenchCatalog.h"
#include "BenchWindow.h"
#include "browser/SpriteSelection.h"
#include "catalog/bDatabase.h"
#include "editing/UndoHistory.h"
#include "graphics/SurfaceView.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

constexpr int kHugeTiles = 1024;
constexpr int kTileData = 0x10000;  // tiles follow the palette block at 0x1000

// A ROM with a palette and one row of 1024 tiles, and a game with a 1x1-tile
// sprite "One" and a 1024x1024-tile sprite "Huge" whose top row is listed.
const bench::BenchFolder& Sprites() {
  static const bench::BenchFolder folder;
  [[maybe_unused]] static const bool written = [] {
    folder.WriteScatteredRom("huge.bin", kTileData + kHugeTiles * 32);
    folder.WriteGame(R"(
      INSERT INTO NFO VALUES ('Huge', 4096, 1, 'bench', '');
      INSERT INTO HEAD VALUES (1, 'Huge');
    )" + bench::CountingView(0, kHugeTiles - 1) +
                     R"(
      INSERT INTO SPRITE SELECT 'Huge', 1, 0, 1024, 1024,
        group_concat(i || ',0,' || (65536 + 32 * i), char(13, 10)), '-1'
        FROM (SELECT i FROM N ORDER BY i);
      INSERT INTO SPRITE VALUES ('One', 1, 0, 1, 1, '0,0,65536', '-1');
    )");
    return true;
  }();
  return folder;
}

// Bytes the allocator has handed out and not had back.
double HeapKiB() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / 1024.0;
}

struct Session {
  explicit Session(const char* sprite) {
    ResetGlobals();
    ResetUndoHistory();
    G().ZoomFactor = 1;
    bench::ShowWithGame(window, Sprites(), "huge.bin");
    const SpriteNode node{2, sprite, "TVRLHEAD_1"};
    SelectSprite(&node, *window.picSprite);
    QApplication::processEvents();
  }
  ~Session() {
    ResetUndoHistory();
    ResetGlobals();
  }

  // Press and release on pixel (x, 0) of the top tile row, as the pointer does.
  void OnePixelStroke(int x) {
    window.picSprite_MouseDown(Qt::LeftButton, x, 0);
    window.picSprite_MouseUp(Qt::NoButton, x, 0);
    QApplication::processEvents();  // paints the invalidated square
  }

  frmMain window;
};

// Memory after loading the huge sprite, then after 100 one-pixel strokes each
// kept as an undo step; the growth is reported as a percentage of both the
// resident set and the allocator's bytes in use.
void BM_MemoryAfter100StrokesOnAHugeSprite(benchmark::State& state) {
  double rssGrowth = 0;
  double heapGrowth = 0;
  double loadedKiB = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Session session("Huge");
    if (!G().SpriteLoaded || G().SpritePixels.Width() != 8 * kHugeTiles) {
      state.SkipWithError("the sprite did not load");
      return;
    }
    state.ResumeTiming();
    const double rssLoaded = static_cast<double>(bench::ResidentKiB());
    const double heapLoaded = HeapKiB();
    for (int i = 0; i < 100; ++i) {
      G().Palette.Fore.Index = static_cast<std::int16_t>(1 + i % 15);
      session.OnePixelStroke((i * 83) % (8 * kHugeTiles));
      // A history that copied the sprite would exhaust memory long before 100.
      if (bench::ResidentKiB() > 2 * rssLoaded) {
        state.SkipWithError("memory doubled: the history copies the sprite");
        return;
      }
    }
    if (!SpriteHistory().CanUndo()) state.SkipWithError("the strokes made no undo steps");
    rssGrowth = 100.0 * (static_cast<double>(bench::ResidentKiB()) - rssLoaded) / rssLoaded;
    heapGrowth = 100.0 * (HeapKiB() - heapLoaded) / heapLoaded;
    loadedKiB = rssLoaded;
  }
  state.counters["rss_loaded_kib"] = loadedKiB;
  state.counters["rss_growth_pct"] = rssGrowth;
  state.counters["heap_growth_pct"] = heapGrowth;
}
BENCHMARK(BM_MemoryAfter100StrokesOnAHugeSprite)->Iterations(1)->Unit(benchmark::kMillisecond);

// One one-pixel stroke (press, release, repaint) on a 1x1-tile sprite and on
// the 1024x1024-tile one: the two must cost about the same.
void BM_OnePixelStroke(benchmark::State& state) {
  Session session(state.range(0) == 1 ? "One" : "Huge");
  if (!G().SpriteLoaded) {
    state.SkipWithError("the sprite did not load");
    return;
  }
  std::int16_t colour = 1;
  for (auto _ : state) {
    G().Palette.Fore.Index = colour;
    colour = colour == 1 ? 2 : 1;
    session.OnePixelStroke(3);
  }
  if (G().SpritePixels.At(3, 0) != 1 && G().SpritePixels.At(3, 0) != 2) {
    state.SkipWithError("the pencil did not paint");
  }
}
BENCHMARK(BM_OnePixelStroke)->Arg(1)->Arg(kHugeTiles)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kerrow
