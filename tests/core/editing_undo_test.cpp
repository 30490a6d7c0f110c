#include <gtest/gtest.h>

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
  EXPECT_TRUE(SpriteHistory().UndoPixels().Empty());
  EXPECT_TRUE(SpriteHistory().RedoPixels().Empty());

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
  EXPECT_EQ(SpriteHistory().RedoPixels().At(1, 0), 3);

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

}  // namespace
}  // namespace kerrow
