// The fill on grids of every shape of region, against a pixel-by-pixel search;
// and the undo history's row runs and colour steps.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "editing/FloodFill.h"
#include "editing/UndoHistory.h"

namespace kerrow {
namespace {

PixelGrid Reference(PixelGrid pixels, const PixelGrid& tiles, SpritePoint seed,
                    std::uint8_t index, bool withinTile) {
  auto inside = [&](int x, int y, std::uint8_t target) {
    if (!pixels.Contains(x, y) || tiles.ValueOr0(x / 8, y / 8) != 1) return false;
    if (withinTile && (x / 8 != seed.x / 8 || y / 8 != seed.y / 8)) return false;
    return pixels.At(x, y) == target;
  };
  if (!pixels.Contains(seed.x, seed.y)) return pixels;
  const std::uint8_t target = pixels.At(seed.x, seed.y);
  if (target == index || !inside(seed.x, seed.y, target)) return pixels;
  std::deque<SpritePoint> queue{seed};
  pixels.At(seed.x, seed.y) = index;
  while (!queue.empty()) {
    const SpritePoint p = queue.front();
    queue.pop_front();
    for (SpritePoint n : {SpritePoint{p.x + 1, p.y}, SpritePoint{p.x - 1, p.y},
                          SpritePoint{p.x, p.y + 1}, SpritePoint{p.x, p.y - 1}}) {
      if (!inside(n.x, n.y, target)) continue;
      pixels.At(n.x, n.y) = index;
      queue.push_back(n);
    }
  }
  return pixels;
}

// Random grids of two or three indices (long runs and single pixels both), with
// random tile maps that may be narrower or shorter than the pixels, seeds on
// every kind of pixel, both scopes.
TEST(FloodFill, MatchesAPixelByPixelSearch) {
  std::mt19937 random(1234);
  for (int round = 0; round < 400; ++round) {
    const int tw = 1 + static_cast<int>(random() % 6);
    const int th = 1 + static_cast<int>(random() % 6);
    PixelGrid pixels(8 * tw, 8 * th);
    const int colours = 2 + static_cast<int>(random() % 2);
    const int runny = static_cast<int>(random() % 4);
    for (int y = 0; y < pixels.Height(); ++y) {
      std::uint8_t current = 0;
      for (int x = 0; x < pixels.Width(); ++x) {
        if (runny == 0 || random() % (4 * runny) == 0) current = random() % colours;
        pixels.At(x, y) = current;
      }
    }
    PixelGrid tiles(tw - (round % 7 == 0 ? 1 : 0), th - (round % 11 == 0 ? 1 : 0));
    for (int ty = 0; ty < tiles.Height(); ++ty)
      for (int tx = 0; tx < tiles.Width(); ++tx) tiles.At(tx, ty) = random() % 4 == 0 ? 2 : 1;
    const SpritePoint seed{static_cast<int>(random() % pixels.Width()),
                           static_cast<int>(random() % pixels.Height())};
    const auto index = static_cast<std::uint8_t>(random() % colours);
    const bool within = random() % 3 == 0;
    const PixelGrid expected = Reference(pixels, tiles, seed, index, within);
    PixelGrid actual = pixels;
    const auto spans =
        FloodFill(actual, tiles, seed, index, within ? FillScope::WithinTile : FillScope::AcrossTiles);
    ASSERT_EQ(actual, expected) << "round " << round;
    // Every span lists pixels that changed, and each pixel once.
    std::size_t listed = 0;
    std::size_t changed = 0;
    PixelGrid seen(pixels.Width(), pixels.Height());
    for (const PixelSpan& span : spans) {
      for (int x = span.x0; x <= span.x1; ++x) {
        ASSERT_NE(pixels.At(x, span.y), actual.At(x, span.y));
        ASSERT_EQ(seen.At(x, span.y)++, 0);
        ++listed;
      }
    }
    for (std::size_t i = 0; i < pixels.Cells().size(); ++i) changed += pixels.Cells()[i] != actual.Cells()[i];
    ASSERT_EQ(listed, changed) << "round " << round;
  }
}

TEST(FloodFill, SeedsThatChangeNothing) {
  PixelGrid pixels(16, 8);
  PixelGrid tiles(2, 1);
  tiles.At(0, 0) = 1;
  tiles.At(1, 0) = 2;
  EXPECT_TRUE(FloodFill(pixels, tiles, {3, 3}, 0, FillScope::AcrossTiles).empty());  // same index
  EXPECT_TRUE(FloodFill(pixels, tiles, {12, 3}, 5, FillScope::AcrossTiles).empty()); // context
  EXPECT_TRUE(FloodFill(pixels, tiles, {-1, 3}, 5, FillScope::AcrossTiles).empty());
  EXPECT_TRUE(FloodFill(pixels, tiles, {3, 8}, 5, FillScope::AcrossTiles).empty());
  EXPECT_EQ(pixels, PixelGrid(16, 8));
}

// A step of row runs undoes and redoes as a whole; runs that overlap in one
// step (a second fill in the same stroke) merge to each pixel's first and last value.
TEST(UndoRuns, RunsUndoRedoAndOverlappingRunsMerge) {
  UndoHistory history;
  PixelGrid pixels(16, 2);
  PaletteStrip palette;
  const PixelGrid original = pixels;
  history.BeginStroke(pixels);
  for (int x = 2; x < 12; ++x) pixels.At(x, 1) = 4;
  history.RecordRun(pixels, 2, 1, 10, 0, 4);
  for (int x = 0; x < 6; ++x) pixels.At(x, 1) = 7;
  history.RecordRun(pixels, 0, 2, 2, 0, 7);  // row 2 does not exist: ignored
  history.RecordRun(pixels, 0, 1, 2, 0, 7);
  history.RecordRun(pixels, 2, 1, 4, 4, 7);
  history.EndStroke(pixels);
  const PixelGrid done = pixels;
  EXPECT_TRUE(history.Undo(pixels, palette).pixels);
  EXPECT_EQ(pixels, original);
  EXPECT_TRUE(history.Redo(pixels, palette).pixels);
  EXPECT_EQ(pixels, done);

  // A pixel that is not what the step left behind drops the history.
  pixels.At(3, 1) = 9;
  EXPECT_FALSE(history.Undo(pixels, palette));
  EXPECT_FALSE(history.CanUndo());
}

TEST(UndoRuns, ColourStepsRestoreEntriesAndSwatchesAndKeepTheirOrder) {
  UndoHistory history;
  PixelGrid pixels(8, 8);
  PaletteStrip palette;
  palette.Entries[3] = {0x112233, "1 2", "112233"};
  palette.Fore = {3, 0x112233};
  const PaletteEntry before = palette.Entries[3];
  const PaletteEntry after{0x445566, "3 4", "445566"};

  history.BeginStroke(pixels);
  pixels.At(1, 1) = 3;
  history.Record(pixels, 1, 1, 0, 3);
  history.EndStroke(pixels);
  palette.Entries[3] = after;
  palette.Fore.Shown = after.Colour;
  history.RecordPalette(pixels, 3, before, after);
  history.RecordPalette(pixels, 4, after, after);  // no change: no step

  const auto colour = history.Undo(pixels, palette);
  EXPECT_TRUE(colour.colours && colour.storedColours && !colour.pixels);
  EXPECT_EQ(palette.Entries[3], before);
  EXPECT_EQ(palette.Fore.Shown, before.Colour);
  EXPECT_EQ(pixels.At(1, 1), 3);
  const auto stroke = history.Undo(pixels, palette);
  EXPECT_TRUE(stroke.pixels && !stroke.colours);
  EXPECT_EQ(pixels.At(1, 1), 0);
  EXPECT_FALSE(history.CanUndo());

  history.Redo(pixels, palette);
  history.Redo(pixels, palette);
  EXPECT_EQ(palette.Entries[3], after);

  // Entry 0 is not saved with the palette: undoing it does not ask for a save.
  const PaletteEntry zero = palette.Entries[0];
  palette.Entries[0].Colour = 0x010203;
  history.RecordPalette(pixels, 0, zero, palette.Entries[0]);
  const auto background = history.Undo(pixels, palette);
  EXPECT_TRUE(background.colours);
  EXPECT_FALSE(background.storedColours);

  // An entry changed behind the history's back (a palette reloaded) drops it.
  palette.Entries[3].Colour = 0x777777;
  EXPECT_FALSE(history.Undo(pixels, palette));
  EXPECT_FALSE(history.CanUndo());
}

}  // namespace
}  // namespace kerrow
