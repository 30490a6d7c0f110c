// The edit surface: geometry, grid outlines, layout and scroll bars.
#include <QScrollBar>

#include "browser/SpriteLayout.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using EditSurface = WindowFixture;

TEST(SurfaceGeometry, SidesAreCheckedIn16BitsAndScrollMaximaRoundHalfToEven) {
  EXPECT_EQ(SurfaceSide(4, 8), 256);
  EXPECT_EQ(SurfaceSide(170, 24), 32640);
  for (auto [tiles, zoom] : {std::pair{171, 24}, std::pair{4096, 1}, std::pair{-1, 8}}) {
    try {
      SurfaceSide(tiles, zoom);
      ADD_FAILURE() << tiles << " tiles at zoom " << zoom;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Number(), kErrOverflow);
    }
  }
  EXPECT_EQ(ScrollMaximum(1024, 15.0), 68);  // 68.27
  EXPECT_EQ(ScrollMaximum(25, 10.0), 2);     // 2.5 goes to 2
  EXPECT_EQ(ScrollMaximum(35, 10.0), 4);     // 3.5 goes to 4
}

TEST_F(EditSurface, SquaresFollowTheZoomAndIndexZeroIsNotTransparent) {
  Load(rom);
  G().ZoomFactor = 1;
  OpenSprite("TVRLCHILD_Coin");
  QImage image = Surface();
  ASSERT_EQ(image.size(), QSize(8, 8));
  EXPECT_EQ(image.pixel(3, 0), qRgb(224, 224, 0));
  EXPECT_EQ(image.pixel(2, 0), window->picPal[0]->Colour().rgb());

  // Entry 0 in a colour of its own shows in every index-0 pixel.
  G().Palette.Entries[0].Colour = 0x1F82FF;  // red 255, green 130, blue 31
  G().ZoomFactor = 24;
  window->RedrawSprite();
  image = Surface();
  ASSERT_EQ(image.size(), QSize(192, 192));
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 130, 31));
  EXPECT_EQ(image.pixel(71, 23), qRgb(255, 130, 31));  // pixel (2, 0): x 48..71
  EXPECT_EQ(image.pixel(72, 0), qRgb(224, 224, 0));    // pixel (3, 0) starts at 72
}

TEST_F(EditSurface, GridModeDashesEveryPixelOutline) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  G().GridMode = true;
  window->RedrawSprite();
  const QImage image = Surface();
  // Pixel (3, 0) covers 24..31 x 0..7: its outline shows gaps, its inside does not.
  int gaps = 0;
  for (int x = 24; x <= 31; ++x) gaps += image.pixel(x, 0) != qRgb(224, 224, 0);
  for (int y = 0; y <= 7; ++y) gaps += image.pixel(24, y) != qRgb(224, 224, 0);
  EXPECT_GT(gaps, 0);
  EXPECT_LT(gaps, 16);
  for (int y = 1; y < 7; ++y) {
    for (int x = 25; x < 31; ++x) EXPECT_EQ(image.pixel(x, y), qRgb(224, 224, 0)) << x << "," << y;
  }
  // Gaps stay visible on black too: pixel (0, 0) has index 0, made black here.
  G().Palette.Entries[0].Colour = 0;
  window->RedrawSprite();
  const QImage dark = Surface();
  int darkGaps = 0;
  for (int x = 0; x <= 7; ++x) darkGaps += dark.pixel(x, 0) != qRgb(0, 0, 0);
  EXPECT_GT(darkGaps, 0);
  EXPECT_EQ(dark.pixel(3, 3), qRgb(0, 0, 0));
}

TEST_F(EditSurface, GridModeDashesTheGreyTilesBorderToo) {
  Load(rom);
  OpenSprite("TVRLCHILD_Lamp Post");  // grey tile (0, 3): 0..63 x 192..255 at zoom 8
  auto borderGaps = [&] {
    const QImage image = Surface();
    int gaps = 0;
    for (int x = 0; x < 64; ++x) {
      gaps += image.pixel(x, 192) != qRgb(224, 224, 224);
      gaps += image.pixel(x, 255) != qRgb(224, 224, 224);
    }
    for (int y = 192; y < 256; ++y) {
      gaps += image.pixel(0, y) != qRgb(224, 224, 224);
      gaps += image.pixel(63, y) != qRgb(224, 224, 224);
    }
    return gaps;
  };
  EXPECT_EQ(borderGaps(), 0) << "solid outside grid mode";
  window->mnuViewGrid->trigger();
  const int gaps = borderGaps();
  EXPECT_GT(gaps, 0);
  EXPECT_LT(gaps, 4 * 64) << "a dashed border, not none";
}

TEST_F(EditSurface, LargeSpritesEnableScrollBarsSmallOnesDoNot) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  EXPECT_FALSE(window->sprScrollH->isEnabled());
  EXPECT_FALSE(window->sprScrollV->isEnabled());

  OpenSprite("TVRLCHILD_Castle Wall");
  ASSERT_EQ(window->picSprite->size(), QSize(1024, 1024));
  ASSERT_LT(window->picEdBack->width(), 1024);
  ASSERT_LT(window->picEdBack->height(), 1024);
  const double sx = 1440.0 / window->picSprite->logicalDpiX();
  const double sy = 1440.0 / window->picSprite->logicalDpiY();
  EXPECT_TRUE(window->sprScrollH->isEnabled());
  EXPECT_TRUE(window->sprScrollV->isEnabled());
  EXPECT_EQ(window->sprScrollH->maximum(), std::lround(1024 / sx));
  EXPECT_EQ(window->sprScrollV->maximum(), std::lround(1024 / sy));
  EXPECT_EQ(window->picSprite->pos(), QPoint(0, 0));

  // A smaller sprite disables them again when it is loaded.
  OpenSprite("TVRLCHILD_Gem");
  EXPECT_FALSE(window->sprScrollH->isEnabled());
}

TEST_F(EditSurface, RedrawWithoutASpriteChangesNothing) {
  window->RedrawSprite();
  EXPECT_FALSE(window->picSprite->isVisible());
  G().SpriteLoaded = false;
  Load(rom);
  window->RedrawSprite();
  EXPECT_FALSE(window->picSprite->isVisible());
}

}  // namespace
}  // namespace kerrow::test
