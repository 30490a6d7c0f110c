// One pointer move that paints one pixel, handler plus the repaint it asks
// for, on a 1x1-tile and a 64x64-tile sprite at zoom 24: the cost must not
// grow with the sprite.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include "BenchWindow.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "graphics/SurfaceView.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

void BM_PencilMovePaintsOnePixel(benchmark::State& state) {
  const auto tiles = static_cast<std::int32_t>(state.range(0));
  frmMain window;
  bench::ShowOwnSprite(window, tiles, 24);
  auto& g = G();

  SpriteHistory().BeginStroke(g.SpritePixels);  // the press that started the stroke
  const int x = 2 * 24 + 5;
  const int y = 3 * 24 + 5;
  std::int16_t colour = 1;
  for (auto _ : state) {
    g.Palette.Fore.Index = colour;
    colour = colour == 1 ? 2 : 1;
    window.picSprite_MouseMove(Qt::LeftButton, x, y);
    QApplication::processEvents();  // paints the invalidated square
  }
  const std::uint8_t painted = g.SpritePixels.At(x / 24, y / 24);
  if (painted != 1 && painted != 2) state.SkipWithError("the pencil did not paint");
  SpriteHistory().EndStroke(g.SpritePixels);
  ResetUndoHistory();
  ResetGlobals();
}
BENCHMARK(BM_PencilMovePaintsOnePixel)->Arg(1)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kerrow
