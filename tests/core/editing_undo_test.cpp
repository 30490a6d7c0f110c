#include <gtest/gtest.h>
#include <malloc.h>

#include "TestSupport.h"
#include "editing/Tools.h"
#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

class UndoTest : public ::testing::Test {
 protected:
  UndoTest() {
    ResetUndoHistory();
    auto& g = G();
    g.SpriteLoaded = true;
    g.SpritePixels = PixelGrid(8, 8);
    g.TileMap = PixelGrid(1, 1);
    g.TileMap.At(0, 0) = kTileWhite;
    g.ZoomFactor = 1;
    g.Palette.Fore.Index = 3;
  }
  ~UndoTest() override { ResetUndoHistory(); }

  // Press, drag over the given pixels, release.
  void Stroke(std::initializer_list<std::pair<int, int>> points) {
    bool first = true;
    for (auto [x, y] : points) {
      if (first) SpriteHistory().BeginStroke(G().SpritePixels);
      first = false;
      HandlePointer(kButtonLeft, x, y, surface);
    }
    SpriteHistory().EndStroke(G().SpritePixels);
  }
  void Undo() {
    UndoSprite([this] { ++redraws; });
  }
  void Redo() {
    RedoSprite([this] { ++redraws; });
  }

  test::CoreFixtureGuard guard;
  test::RecordingSurface surface;
  int redraws = 0;
};

TEST_F(UndoTest, OneUndoRestoresTheWholeStrokeAndRedoReappliesIt) {
  Stroke({{0, 0}, {1, 0}, {2, 0}});
  const PixelGrid after = G().SpritePixels;
  G().SpriteDirty = false;  // as after a save

  Undo();
  EXPECT_EQ(G().SpritePixels, PixelGrid(8, 8));
  EXPECT_TRUE(G().SpriteDirty) << "an undone edit must still be offered for saving";
  EXPECT_EQ(redraws, 1);

  G().SpriteDirty = false;
  Redo();
  EXPECT_EQ(G().SpritePixels, after);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(redraws, 2);
}

TEST_F(UndoTest, NothingToUndoOrRedoChangesNothing) {
  G().SpritePixels.At(4, 4) = 2;
  Undo();
  Redo();
  EXPECT_EQ(G().SpritePixels.At(4, 4), 2);
  EXPECT_EQ(redraws, 0);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_FALSE(SpriteHistory().CanUndo());
  EXPECT_FALSE(SpriteHistory().CanRedo());

  // A stroke that changed nothing (inert tool) is no step either.
  G().CurrentTool = kToolShape;
  Stroke({{1, 1}});
  EXPECT_FALSE(SpriteHistory().CanUndo());
}

TEST_F(UndoTest, SeveralLevelsAndANewStrokeDropsTheRedoBranch) {
  Stroke({{0, 0}});
  Stroke({{1, 0}});
  Stroke({{2, 0}});
  Undo();
  Undo();
  EXPECT_EQ(G().SpritePixels.At(0, 0), 3);
  EXPECT_EQ(G().SpritePixels.At(1, 0), 0);
  EXPECT_TRUE(SpriteHistory().CanRedo());

  Stroke({{5, 5}});
  EXPECT_FALSE(SpriteHistory().CanRedo());
  Redo();
  EXPECT_EQ(G().SpritePixels.At(1, 0), 0);
  Undo();
  Undo();
  EXPECT_EQ(G().SpritePixels, PixelGrid(8, 8));
  EXPECT_FALSE(SpriteHistory().CanUndo());
}

TEST_F(UndoTest, ResetOrAnotherSpritesPixelsDropTheHistory) {
  Stroke({{0, 0}});
  ResetUndoHistory();
  Undo();
  EXPECT_EQ(G().SpritePixels.At(0, 0), 3);

  Stroke({{1, 1}});
  G().SpritePixels = PixelGrid(16, 8);  // another sprite loaded without a reset
  Undo();
  EXPECT_EQ(G().SpritePixels, PixelGrid(16, 8));

  G().SpritePixels = PixelGrid(8, 8);
  Stroke({{2, 2}});
  Undo();
  G().SpritePixels = PixelGrid(8, 8);  // same shape, other pixels
  G().SpritePixels.At(7, 7) = 1;
  const PixelGrid loaded = G().SpritePixels;
  Redo();
  Stroke({{3, 3}});
  Undo();
  Undo();  // the stale steps were dropped: only the new stroke is undone
  EXPECT_EQ(G().SpritePixels, loaded);
  EXPECT_EQ(redraws, 2);
}

TEST_F(UndoTest, PressesInsideOneStrokeDoNotSplitIt) {
  auto& history = SpriteHistory();
  history.BeginStroke(G().SpritePixels);
  HandlePointer(kButtonLeft, 0, 0, surface);
  history.BeginStroke(G().SpritePixels);  // a second button pressed while the first is held
  HandlePointer(kButtonLeft, 1, 0, surface);
  history.EndStroke(G().SpritePixels);
  history.EndStroke(G().SpritePixels);  // a stray release
  Undo();
  EXPECT_EQ(G().SpritePixels, PixelGrid(8, 8));
  EXPECT_FALSE(history.CanUndo());
}

// Bytes the allocator has handed out and not yet had back.
std::size_t AllocatedBytes() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

TEST_F(UndoTest, StrokesCostMemoryForThePixelsTheyChangeNotForTheSprite) {
  G().SpritePixels = PixelGrid(1024, 1024);
  G().TileMap = PixelGrid(128, 128);
  for (int ty = 0; ty < 128; ++ty) {
    for (int tx = 0; tx < 128; ++tx) G().TileMap.At(tx, ty) = kTileWhite;
  }
  const std::size_t loaded = AllocatedBytes();
  SpriteHistory().BeginStroke(G().SpritePixels);
  HandlePointer(kButtonLeft, 500, 500, surface);
  EXPECT_LT(AllocatedBytes() - loaded, 64u * 1024) << "a stroke in progress copies the sprite";
  SpriteHistory().EndStroke(G().SpritePixels);

  for (int i = 1; i < 100; ++i) Stroke({{i * 7 % 1024, i * 13 % 1024}});
  const std::size_t grown = AllocatedBytes() - loaded;
  EXPECT_LT(grown, 64u * 1024) << "100 one-pixel strokes on a 1 MiB sprite";

  // Still a hundred steps, each restoring its own pixel.
  for (int i = 99; i >= 1; --i) {
    Undo();
    EXPECT_EQ(G().SpritePixels.At(i * 7 % 1024, i * 13 % 1024), 0) << i;
  }
  Undo();
  EXPECT_EQ(G().SpritePixels.At(500, 500), 0);
  EXPECT_FALSE(SpriteHistory().CanUndo());
  Redo();
  EXPECT_EQ(G().SpritePixels.At(500, 500), 3);
}

}  // namespace
}  // namespace kerrow
