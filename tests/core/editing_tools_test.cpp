#include <gtest/gtest.h>

#include "TestSupport.h"
#include "editing/Tools.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

using test::RecordingSurface;
using Call = RecordingSurface::Call;

// A 2 by 2 tile sprite: (0,0) white, (1,0) grey, (0,1) empty, (1,1) white.
class ToolsTest : public ::testing::Test {
 protected:
  ToolsTest() {
    auto& g = G();
    g.SpriteLoaded = true;
    g.SpritePixels = PixelGrid(16, 16);
    g.TileMap = PixelGrid(2, 2);
    g.TileMap.At(0, 0) = kTileWhite;
    g.TileMap.At(1, 0) = kTileGrey;
    g.TileMap.At(1, 1) = kTileWhite;
    g.ZoomFactor = 8;
    g.Palette.Fore.Index = 5;
    g.Palette.Back.Index = 9;
    for (int i = 0; i < 16; ++i) g.Palette.Entries[i].Colour = 0x010101u * i;
  }
  std::string Press(PointerButtons buttons, int x, int y) {
    return HandlePointer(buttons, x, y, surface);
  }
  test::CoreFixtureGuard guard;
  RecordingSurface surface;
};

TEST_F(ToolsTest, StatusTextUsesFloorDivisionEverywhere) {
  EXPECT_EQ(Press(kButtonNone, 100, 37), "Mouse: 12, 4");
  EXPECT_EQ(Press(kButtonLeft, -1, 37), "Mouse: -1, 4");
  EXPECT_EQ(Press(kButtonLeft, -8, -9), "Mouse: -1, -2");
  EXPECT_EQ(Press(kButtonLeft, 5000, 37), "Mouse: 625, 4");
  G().ZoomFactor = 24;
  EXPECT_EQ(Press(kButtonNone, -25, 47), "Mouse: -2, 1");
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(G().SpriteDirty);
}

TEST_F(ToolsTest, PencilPaintsForeOrBackAtOnce) {
  auto& g = G();
  EXPECT_EQ(Press(kButtonLeft, 50, 37), "Mouse: 6, 4");
  EXPECT_EQ(g.SpritePixels.At(6, 4), 5);
  EXPECT_TRUE(g.SpriteDirty);
  Press(kButtonRight, 100, 100);  // pixel (12, 12), tile (1, 1)
  EXPECT_EQ(g.SpritePixels.At(12, 12), 9);
  EXPECT_EQ(surface.calls, (std::vector<Call>{{Call::kPixel, 6, 4, 5}, {Call::kPixel, 12, 12, 9}}));
}

TEST_F(ToolsTest, OnlyWhiteCellsAreEditable) {
  G().CurrentTool = kToolEraser;
  G().SpritePixels.At(12, 4) = 3;  // grey tile
  G().SpritePixels.At(4, 12) = 3;  // empty tile
  for (PointerButtons b : {kButtonLeft, kButtonRight, kButtonMiddle}) {
    for (int tool = 0; tool < 8; ++tool) {
      G().CurrentTool = static_cast<std::int16_t>(tool);
      Press(b, 100, 37);
      Press(b, 37, 100);
      Press(b, -3, 4);
      Press(b, 200, 4);
    }
  }
  EXPECT_EQ(G().SpritePixels.At(12, 4), 3);
  EXPECT_EQ(G().SpritePixels.At(4, 12), 3);
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().Palette.Fore.Index, 5);  // the eyedropper picked nothing either
}

TEST_F(ToolsTest, ButtonsAreComparedAsASet) {
  const PointerButtons both = kButtonLeft | kButtonRight;
  for (std::int16_t tool : {kToolPencil, kToolEyedropper, kToolColorReplacer}) {
    G().CurrentTool = tool;
    G().SpritePixels.At(1, 1) = 5;
    Press(both, 8, 8);
    Press(kButtonMiddle, 8, 8);
    Press(kButtonLeft | kButtonMiddle, 8, 8);
  }
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().Palette.Fore.Index, 5);
  EXPECT_EQ(G().Palette.Back.Index, 9);

  G().CurrentTool = kToolEraser;
  Press(both, 8, 8);
  EXPECT_EQ(G().SpritePixels.At(1, 1), 0);
  G().SpritePixels.At(2, 1) = 7;
  Press(kButtonMiddle, 16, 8);
  EXPECT_EQ(G().SpritePixels.At(2, 1), 0);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_EQ(surface.calls, (std::vector<Call>{{Call::kPixel, 1, 1, 0}, {Call::kPixel, 2, 1, 0}}));
}

TEST_F(ToolsTest, EyedropperPicksIndexAndColourWithoutEditing) {
  auto& g = G();
  g.CurrentTool = kToolEyedropper;
  g.SpritePixels.At(3, 3) = 7;
  Press(kButtonLeft, 24, 24);
  EXPECT_EQ(g.Palette.Fore.Index, 7);
  EXPECT_EQ(g.Palette.Fore.Shown, 0x070707u);
  Press(kButtonRight, 0, 0);  // index 0 is picked like any other
  EXPECT_EQ(g.Palette.Back.Index, 0);
  EXPECT_EQ(g.Palette.Back.Shown, 0u);
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(g.SpriteDirty);
  EXPECT_EQ(g.SpritePixels.At(3, 3), 7);
}

TEST_F(ToolsTest, ColorReplacerSwapsOnlyMatchingPixels) {
  auto& g = G();
  g.CurrentTool = kToolColorReplacer;
  g.SpritePixels.At(0, 0) = 4;
  Press(kButtonLeft, 0, 0);  // 4 is not the foreground index
  EXPECT_EQ(g.SpritePixels.At(0, 0), 4);
  EXPECT_FALSE(g.SpriteDirty);
  Press(kButtonRight, 0, 0);  // nor the background index
  EXPECT_FALSE(g.SpriteDirty);

  g.SpritePixels.At(1, 0) = 5;
  Press(kButtonLeft, 8, 0);
  EXPECT_EQ(g.SpritePixels.At(1, 0), 9);
  Press(kButtonRight, 8, 0);
  EXPECT_EQ(g.SpritePixels.At(1, 0), 5);
  EXPECT_TRUE(g.SpriteDirty);
  EXPECT_EQ(surface.calls, (std::vector<Call>{{Call::kPixel, 1, 0, 9}, {Call::kPixel, 1, 0, 5}}));
}

TEST_F(ToolsTest, InertToolsOnlyUpdateTheStatus) {
  for (std::int16_t tool : {kToolSelection, kToolSprayCan, kToolPaintBucket, kToolShape}) {
    G().CurrentTool = tool;
    EXPECT_EQ(Press(kButtonLeft, 10, 10), "Mouse: 1, 1");
    Press(kButtonRight, 20, 10);
  }
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_EQ(G().SpritePixels, PixelGrid(16, 16));
}

TEST_F(ToolsTest, NoSpriteOrMismatchedGridsChangeOnlyTheStatus) {
  auto& g = G();
  g.TileMap = PixelGrid(4, 4);  // claims more tiles than there are pixels
  g.TileMap.At(3, 3) = kTileWhite;
  EXPECT_EQ(Press(kButtonLeft, 250, 250), "Mouse: 31, 31");
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(g.SpriteDirty);

  g.SpritePixels = PixelGrid{};
  g.TileMap = PixelGrid{};
  g.CurrentTool = kToolEraser;
  EXPECT_EQ(Press(kButtonLeft, 3, 3), "Mouse: 0, 0");
  EXPECT_TRUE(surface.calls.empty());
}

}  // namespace
}  // namespace kerrow
