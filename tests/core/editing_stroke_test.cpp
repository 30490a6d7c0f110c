#include <gtest/gtest.h>

#include "TestSupport.h"
#include "editing/Stroke.h"
#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

using test::RecordingSurface;
using Call = RecordingSurface::Call;

// A 2 by 1 tile sprite at zoom 1: tile (0,0) white, tile (1,0) grey.
class StrokeTest : public ::testing::Test {
 protected:
  StrokeTest() {
    ResetUndoHistory();
    auto& g = G();
    g.SpriteLoaded = true;
    g.SpritePixels = PixelGrid(16, 8);
    g.TileMap = PixelGrid(2, 1);
    g.TileMap.At(0, 0) = kTileWhite;
    g.TileMap.At(1, 0) = kTileGrey;
    g.ZoomFactor = 1;
    g.Palette.Fore.Index = 5;
    g.Palette.Back.Index = 9;
  }
  ~StrokeTest() override {
    StrokeRelease(kButtonNone);
    ResetUndoHistory();
  }
  std::vector<Call> Pixels(std::initializer_list<std::array<int, 3>> xyc) {
    std::vector<Call> calls;
    for (auto [x, y, c] : xyc) calls.push_back({Call::kPixel, x, y, static_cast<std::uint8_t>(c)});
    return calls;
  }

  test::CoreFixtureGuard guard;
  RecordingSurface surface;
};

TEST_F(StrokeTest, LinesRepaintOnlyTheSquaresTheyChangeAndStayInWhiteTiles) {
  G().SpritePixels.At(2, 1) = 5;  // already the pencil's colour: not repainted
  StrokePress(kButtonLeft, 0, 0, surface);
  StrokeMove(kButtonLeft, 4, 2, surface);  // (0,0) (1,1) (2,1) (3,2) (4,2), halves up
  EXPECT_EQ(surface.calls, Pixels({{0, 0, 5}, {1, 1, 5}, {3, 2, 5}, {4, 2, 5}}));

  surface.calls.clear();
  StrokeMove(kButtonLeft, 12, 2, surface);  // into the grey tile: stops at column 7
  EXPECT_EQ(surface.calls, Pixels({{5, 2, 5}, {6, 2, 5}, {7, 2, 5}}));
  EXPECT_EQ(G().SpritePixels.At(8, 2), 0);
  StrokeRelease(kButtonNone);

  // A new stroke starts where it is pressed; the right button paints the background.
  surface.calls.clear();
  StrokePress(kButtonRight, 0, 7, surface);
  StrokeMove(kButtonRight, 2, 7, surface);
  StrokeRelease(kButtonNone);
  EXPECT_EQ(surface.calls, Pixels({{0, 7, 9}, {1, 7, 9}, {2, 7, 9}}));
}

TEST_F(StrokeTest, OnlyThePencilAndTheEraserJoinPositions) {
  auto& g = G();
  for (int x = 0; x < 8; ++x) g.SpritePixels.At(x, 0) = 5;
  g.CurrentTool = kToolColorReplacer;
  StrokePress(kButtonLeft, 0, 0, surface);
  StrokeMove(kButtonLeft, 6, 0, surface);
  StrokeRelease(kButtonNone);
  EXPECT_EQ(surface.calls, Pixels({{0, 0, 9}, {6, 0, 9}}));

  surface.calls.clear();
  g.CurrentTool = kToolEraser;
  StrokePress(kButtonMiddle, 1, 0, surface);
  StrokeMove(kButtonMiddle, 4, 0, surface);
  StrokeRelease(kButtonNone);
  EXPECT_EQ(surface.calls, Pixels({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 0, 0}}));
}

TEST_F(StrokeTest, AMissedReleaseOrAnUndoEndsTheStroke) {
  UndoHistory& history = SpriteHistory();
  // A release that never arrived: the next move without a button ends the stroke.
  StrokePress(kButtonLeft, 0, 3, surface);
  StrokeMove(kButtonNone, 5, 3, surface);
  EXPECT_FALSE(history.InStroke());
  EXPECT_TRUE(history.CanUndo());

  // After an Undo ended it, a drag still going on is a stroke of its own and
  // is not joined to where the ended one left off.
  StrokePress(kButtonLeft, 0, 5, surface);
  UndoSprite({});
  surface.calls.clear();
  StrokeMove(kButtonLeft, 4, 5, surface);
  EXPECT_EQ(surface.calls, Pixels({{4, 5, 5}}));
}

}  // namespace
}  // namespace kerrow
