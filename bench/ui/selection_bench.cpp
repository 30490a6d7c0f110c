// One drag step of a floating 512 x 512-pixel selection against copying the
// same number of pixels row by row into the sprite, timed in alternation within one run so that both
// see the same load: the counter "ratio" is the move's processor time over
// the copy's.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>

#include "editing/PixelSelection.h"
#include "editing/UndoHistory.h"

namespace kerrow {
namespace {

constexpr std::int32_t kTiles = 128;  // a 1024 x 1024-pixel sprite, every tile its own
constexpr std::int32_t kSide = 512;

struct Sprite {
  Sprite() : pixels(8 * kTiles, 8 * kTiles), tiles(kTiles, kTiles) {
    for (std::int32_t y = 0; y < pixels.Height(); ++y)
      for (std::int32_t x = 0; x < pixels.Width(); ++x)
        pixels.At(x, y) = static_cast<std::uint8_t>(1 + (x * 7 + y * 3) % 15);
    for (std::int32_t ty = 0; ty < kTiles; ++ty)
      for (std::int32_t tx = 0; tx < kTiles; ++tx) tiles.At(tx, ty) = kTileWhite;
  }
  SelectionCanvas Canvas() { return {pixels, tiles, history}; }

  PixelGrid pixels;
  PixelGrid tiles;
  UndoHistory history;
};

// The peer: the selection's 512 x 512 pixels copied row by row from where
// they are held (a grid of their own) into the sprite's grid.
void CopyBlock(const PixelGrid& from, PixelGrid& to, std::int32_t x, std::int32_t y) {
  for (std::int32_t row = 0; row < kSide; ++row) {
    const std::uint8_t* source = &from.Cells()[from.Index(0, row)];
    std::copy(source, source + kSide, &to.At(x, y + row));
  }
}

// Processor time of this thread: a machine shared with other work preempts
// either side at random, which wall time would count.
std::chrono::nanoseconds ThreadTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

void BM_SelectionMoveAgainstCopy(benchmark::State& state) {
  Sprite sprite;
  PixelGrid held(kSide, kSide);
  for (std::int32_t y = 0; y < kSide; ++y)
    for (std::int32_t x = 0; x < kSide; ++x) held.At(x, y) = sprite.pixels.At(256 + x, 256 + y);
  PixelGrid peer = sprite.pixels;
  PixelSelection selection;
  selection.Mark(sprite.Canvas(), {256, 256}, {256 + kSide - 1, 256 + kSide - 1});
  selection.MoveBy(sprite.Canvas(), 1, 0);  // lifted: from here on every step is a drag step
  std::chrono::nanoseconds moving{};
  std::chrono::nanoseconds copying{};
  std::int32_t step = -1;
  for (auto _ : state) {
    const auto start = ThreadTime();
    selection.MoveBy(sprite.Canvas(), step, 0);
    const auto moved = ThreadTime();
    CopyBlock(held, peer, 256 + (step > 0 ? 1 : 0), 256);
    const auto copied = ThreadTime();
    benchmark::DoNotOptimize(sprite.pixels.Cells().data());
    benchmark::DoNotOptimize(peer.Cells().data());
    moving += moved - start;
    copying += copied - moved;
    step = -step;
  }
  if (selection.Bounds().width != kSide) state.SkipWithError("the selection was lost");
  const double n = static_cast<double>(state.iterations());
  state.counters["move_us"] = std::chrono::duration<double, std::micro>(moving).count() / n;
  state.counters["copy_us"] = std::chrono::duration<double, std::micro>(copying).count() / n;
  state.counters["ratio"] = static_cast<double>(moving.count()) / static_cast<double>(copying.count());
}
BENCHMARK(BM_SelectionMoveAgainstCopy)->Unit(benchmark::kMicrosecond);

// A whole move as the user makes it: lift, one drag step, and the drop that
// records the undo step (every pixel of the selection changes).
void BM_SelectionLiftMoveDrop(benchmark::State& state) {
  Sprite sprite;
  std::int32_t step = 1;
  for (auto _ : state) {
    PixelSelection selection;
    selection.Mark(sprite.Canvas(), {256, 256}, {256 + kSide - 1, 256 + kSide - 1});
    selection.MoveBy(sprite.Canvas(), step, 0);
    selection.Drop(sprite.Canvas());
    step = -step;
  }
  if (!sprite.history.CanUndo()) state.SkipWithError("no undo step was recorded");
}
BENCHMARK(BM_SelectionLiftMoveDrop)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kerrow
