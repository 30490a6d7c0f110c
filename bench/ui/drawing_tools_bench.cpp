// The Paint bucket filling a whole 1024x1024-tile sprite (a 64 MiB pixel
// grid), press to release with its undo step and repaint, against one plain
// pass over the same grid in the same run; and one Spray can tick on a 1x1-
// and a 64x64-tile sprite, which must cost the same.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <vector>

#include "BenchWindow.h"
#include "editing/SprayCan.h"
#include "editing/Stroke.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "graphics/SurfaceView.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

// A window showing an all-own `tiles` x `tiles` sprite at `zoom`, the given tool chosen.
void ShowSprite(frmMain& window, std::int32_t tiles, std::int16_t zoom, const char* tool) {
  bench::ShowOwnSprite(window, tiles, zoom);
  window.ToolbarButton(tool)->trigger();
  QApplication::processEvents();
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Each iteration fills the whole sprite with the other of two indices, then
// makes one pass over the grid that reads every pixel and writes back the ones
// of one index (the least a fill of everything has to do). Counters: the
// medians of both and their ratio.
void BM_FillWholeHugeSprite(benchmark::State& state) {
  frmMain window;
  ShowSprite(window, 1024, 1, "g");
  auto& g = G();
  std::vector<double> fills;
  std::vector<double> passes;
  std::uint8_t colour = 1;
  for (auto _ : state) {
    g.Palette.Fore.Index = colour;
    const auto start = std::chrono::steady_clock::now();
    window.picSprite_MouseDown(Qt::LeftButton, 5, 5);
    window.picSprite_MouseUp(Qt::NoButton, 5, 5);
    QApplication::processEvents();  // paints the part of the sprite in view
    const auto filled = std::chrono::steady_clock::now();
    if (g.SpritePixels.At(8191, 8191) != colour) state.SkipWithError("the fill did not reach");

    const std::uint8_t from = colour;
    const std::uint8_t to = colour == 1 ? 2 : 1;
    std::uint8_t* cells = g.SpritePixels.Data();
    const std::size_t count = g.SpritePixels.Cells().size();
    const auto passStart = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < count; ++i) {
      if (cells[i] == from) cells[i] = to;
    }
    benchmark::ClobberMemory();
    const auto passed = std::chrono::steady_clock::now();
    // The pass changed pixels behind the history's back: put them back, so the
    // next fill starts from what the last one left.
    std::fill_n(cells, count, from);
    fills.push_back(Milliseconds(filled - start));
    passes.push_back(Milliseconds(passed - passStart));
    state.SetIterationTime(std::chrono::duration<double>(filled - start).count());
    colour = to;
  }
  const double fill = Median(fills);
  const double pass = Median(passes);
  state.counters["fill_ms"] = fill;
  state.counters["pass_ms"] = pass;
  state.counters["fill_per_pass"] = fill / pass;
  state.counters["undo_records"] = static_cast<double>(SpriteHistory().StoredChanges());
  ResetUndoHistory();
  ResetGlobals();
}
BENCHMARK(BM_FillWholeHugeSprite)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

// One tick of the Spray can held at one place, with the repaint it asks for,
// at zoom 24 so that dots are large squares.
void BM_SprayTick(benchmark::State& state) {
  const auto tiles = static_cast<std::int32_t>(state.range(0));
  frmMain window;
  ShowSprite(window, tiles, 24, "f");
  SeedSprayCan(1);
  G().Palette.Fore.Index = 1;
  window.picSprite_MouseDown(Qt::LeftButton, 4 * 24, 4 * 24);
  QApplication::processEvents();
  PixelGrid& pixels = G().SpritePixels;
  for (auto _ : state) {
    // Every tick finds the disc unpainted, so each dot paints and repaints.
    state.PauseTiming();
    for (int y = 0; y <= 8 && y < pixels.Height(); ++y)
      for (int x = 0; x <= 8 && x < pixels.Width(); ++x) pixels.At(x, y) = 0;
    state.ResumeTiming();
    StrokeTick(*window.picSprite);
    QApplication::processEvents();
  }
  window.picSprite_MouseUp(Qt::NoButton, 4 * 24, 4 * 24);
  ResetUndoHistory();
  ResetGlobals();
}
BENCHMARK(BM_SprayTick)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kerrow
