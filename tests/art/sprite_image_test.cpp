// Sprites to indexed PNGs and images back to sprite pixels: the PNG's bytes are
// read with our own decoder, and every refusal leaves the pixels as they were.
#include <gtest/gtest.h>

#include <QImage>
#include <random>

#include "ArtTestSupport.h"
#include "TestSupport.h"
#include "art/SpriteImage.h"
#include "art/SpriteImport.h"
#include "graphics/Surface.h"

namespace kerrow {
namespace {

using test::ReadBytes;

// Console colours for 1-15 and an off-level display colour for entry 0.
PaletteColours DemoPalette() {
  PaletteColours colours{};
  colours[0] = 0x123456;
  for (int i = 1; i < 16; ++i)
    colours[static_cast<std::size_t>(i)] = SnapToConsole(static_cast<DisplayColour>(i * 0x0F1D37));
  return colours;
}

PixelGrid RandomPixels(int widthTiles, int heightTiles, unsigned seed) {
  PixelGrid pixels(8 * widthTiles, 8 * heightTiles);
  std::mt19937 random(seed);
  for (int y = 0; y < pixels.Height(); ++y)
    for (int x = 0; x < pixels.Width(); ++x) pixels.At(x, y) = random() % 16;
  return pixels;
}

PixelGrid AllWhite(int widthTiles, int heightTiles) {
  PixelGrid map(widthTiles, heightTiles);
  for (int y = 0; y < heightTiles; ++y)
    for (int x = 0; x < widthTiles; ++x) map.At(x, y) = kTileWhite;
  return map;
}

TEST(SpriteExport, WritesAPalettePngWithTransparentEntryZeroAndEachPixelsIndex) {
  test::ScratchDir dir;
  const PaletteColours palette = DemoPalette();
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {4, 4}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const PixelGrid pixels = RandomPixels(w, h, static_cast<unsigned>(w * 10 + h));
    const std::string path = dir.File("sprite.png");
    ASSERT_EQ(WritePng(SpriteToIndexedImage(pixels, palette), path), "");

    const test::PngChunks png = test::ParsePng(ReadBytes(path));
    ASSERT_TRUE(png.valid);
    EXPECT_EQ(png.colourType, 3);  // palette
    EXPECT_EQ(png.width, static_cast<std::uint32_t>(8 * w));
    EXPECT_EQ(png.height, static_cast<std::uint32_t>(8 * h));
    ASSERT_EQ(png.plte.size(), 48u);
    for (int i = 0; i < 16; ++i) {
      const DisplayColour c = palette[static_cast<std::size_t>(i)];
      EXPECT_EQ(png.plte[3 * i], c & 0xFF) << i;
      EXPECT_EQ(png.plte[3 * i + 1], (c >> 8) & 0xFF) << i;
      EXPECT_EQ(png.plte[3 * i + 2], (c >> 16) & 0xFF) << i;
    }
    ASSERT_FALSE(png.trns.empty());
    EXPECT_EQ(png.trns[0], 0);
    for (std::size_t i = 1; i < png.trns.size(); ++i) EXPECT_EQ(png.trns[i], 255) << i;

    const std::vector<int> indices = test::PngIndices(png);
    ASSERT_EQ(indices.size(), pixels.Cells().size());
    for (std::size_t i = 0; i < indices.size(); ++i)
      ASSERT_EQ(indices[i], pixels.Cells()[i]) << "pixel " << i;
  }
}

TEST(SpriteExport, AFailedWriteLeavesAnExistingFileAlone) {
  test::ScratchDir dir;
  const std::string missing = dir.File("missing-dir/sprite.png");
  EXPECT_NE(WritePng(SpriteToIndexedImage(RandomPixels(1, 1, 1), DemoPalette()), missing), "");
  EXPECT_FALSE(std::filesystem::exists(missing));
  // An image that cannot be encoded (as one whose pixels could not be
  // allocated): the user's file of that name keeps its bytes.
  const std::string existing = dir.File("sprite.png");
  const std::vector<unsigned char> before = {'k', 'e', 'e', 'p'};
  test::WriteBytes(existing, before);
  EXPECT_NE(WritePng(QImage(), existing), "");
  EXPECT_EQ(ReadBytes(existing), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left beside it
}

TEST(SpriteImportPlanning, ExportedImageComesBackIntoEveryEditableTile) {
  test::ScratchDir dir;
  const PaletteColours palette = DemoPalette();
  for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {16, 16}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const PixelGrid drawn = RandomPixels(w, h, 7);
    ASSERT_EQ(WritePng(SpriteToIndexedImage(drawn, palette), dir.File("a.png")), "");
    const ArtOutcome<QImage> image = ReadSpriteSizedImage(dir.File("a.png"), 8 * w, 8 * h);
    ASSERT_TRUE(image) << image.Message();
    const ArtOutcome<SpriteImportPlan> plan =
        PlanSpriteImport(*image, PixelGrid(8 * w, 8 * h), AllWhite(w, h), palette);
    ASSERT_TRUE(plan) << plan.Message();
    EXPECT_TRUE(plan->Indexed);
    EXPECT_EQ(plan->Pixels, drawn);
    EXPECT_EQ(plan->PixelsOutsideEditable, 0);
    ASSERT_EQ(plan->ImageColours.size(), 16u);
    EXPECT_EQ(plan->ImageColours[5], palette[5]);
  }
}

TEST(SpriteImportPlanning, ContextAndEmptyTilesKeepTheirPixelsAndAreCounted) {
  // Tile 0 editable, tile 1 context, tile 2 empty.
  PixelGrid map(3, 1);
  map.At(0, 0) = kTileWhite;
  map.At(1, 0) = kTileGrey;
  PixelGrid current(24, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 24; ++x) current.At(x, y) = y == 0 ? 4 : 9;  // row 0 as drawn
  PixelGrid drawn(24, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 24; ++x) drawn.At(x, y) = x < 8 ? 3 : (x % 2 == 0 ? 4 : 0);

  const auto plan = PlanSpriteImport(SpriteToIndexedImage(drawn, DemoPalette()), current, map,
                                     DemoPalette());
  ASSERT_TRUE(plan) << plan.Message();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 24; ++x)
      EXPECT_EQ(plan->Pixels.At(x, y), x < 8 ? 3 : current.At(x, y)) << x << "," << y;
  // Only pixels that would change are counted: rows 1 to 7, every other column.
  EXPECT_EQ(plan->PixelsOutsideEditable, 16 * 7 / 2);
}

TEST(SpriteImportPlanning, ColourImageInThePalettesColoursImportsExactly) {
  const PaletteColours palette = DemoPalette();
  const PixelGrid drawn = RandomPixels(2, 2, 3);
  QImage image(16, 16, QImage::Format_ARGB32);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int index = drawn.At(x, y);
      QRgb rgb = ToQRgb(palette[static_cast<std::size_t>(index)]);
      // Paint programs show console levels brighter; snapping brings them back.
      if (index != 0) rgb = qRgb(qRed(rgb) | 0x1F, qGreen(rgb) | 0x10, qBlue(rgb));
      image.setPixel(x, y, index == 0 ? qRgba(10, 200, 30, 0) : rgb);
    }
  }
  const auto plan = PlanSpriteImport(image, PixelGrid(16, 16), AllWhite(2, 2), palette);
  ASSERT_TRUE(plan) << plan.Message();
  EXPECT_FALSE(plan->Indexed);
  EXPECT_EQ(plan->Pixels, drawn);
}

TEST(SpriteImportPlanning, OpaqueEntryZeroColourMapsToIndexZeroAfterEntriesOneToFifteen) {
  PaletteColours palette = DemoPalette();
  palette[0] = palette[7];  // entry 7 wins over entry 0
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(ToQRgb(palette[7]));
  auto plan = PlanSpriteImport(image, PixelGrid(8, 8), AllWhite(1, 1), palette);
  ASSERT_TRUE(plan) << plan.Message();
  EXPECT_EQ(plan->Pixels.At(0, 0), 7);
  // Entry 0's display colour need not be on the console's levels; both sides are snapped.
  palette[0] = 0x123456;
  image.setPixel(1, 1, ToQRgb(SnapToConsole(0x123456)));
  plan = PlanSpriteImport(image, PixelGrid(8, 8), AllWhite(1, 1), palette);
  ASSERT_TRUE(plan) << plan.Message();
  EXPECT_EQ(plan->Pixels.At(1, 1), 0);
}

TEST(SpriteImportRefusals, IndexAboveFifteenNamesTheFirstPositionThatHasOne) {
  QImage image(8, 8, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < 40; ++i) table.append(qRgb(i, i, i));
  image.setColorTable(table);
  image.fill(2);
  image.setPixel(5, 3, 33);
  image.setPixel(6, 6, 17);
  const auto plan = PlanSpriteImport(image, PixelGrid(8, 8), AllWhite(1, 1), DemoPalette());
  ASSERT_FALSE(plan);
  EXPECT_NE(plan.Message().find("(5, 3)"), std::string::npos) << plan.Message();
  EXPECT_NE(plan.Message().find("33"), std::string::npos) << plan.Message();
}

TEST(SpriteImportRefusals, UnmatchedColoursAreListedUpToEightWithTheirCount) {
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(ToQRgb(DemoPalette()[1]));
  for (int i = 0; i < 10; ++i) image.setPixel(i, 2, qRgb(1, 2, 3 + i * 20));
  const auto plan = PlanSpriteImport(image, PixelGrid(16, 8), AllWhite(2, 1), DemoPalette());
  ASSERT_FALSE(plan);
  const std::string& text = plan.Message();
  EXPECT_EQ(text.rfind("10 colours", 0), 0u) << text;
  EXPECT_NE(text.find("010203 at (0, 2)"), std::string::npos) << text;
  std::size_t listed = 0;
  for (std::size_t at = text.find(" at ("); at != std::string::npos; at = text.find(" at (", at + 1))
    ++listed;
  EXPECT_EQ(listed, 8u);
}

TEST(SpriteImportRefusals, WrongSizeEmptyHugeAndTruncatedImagesAreRefusedByTheReader) {
  test::ScratchDir dir;
  ASSERT_EQ(WritePng(SpriteToIndexedImage(RandomPixels(2, 2, 1), DemoPalette()), dir.File("ok.png")),
            "");
  auto refused = ReadSpriteSizedImage(dir.File("ok.png"), 32, 16);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.Message().find("16 x 16"), std::string::npos) << refused.Message();
  EXPECT_NE(refused.Message().find("32 x 16"), std::string::npos) << refused.Message();

  // Declares 100000 x 100000 pixels and has no data: refused by its header alone.
  test::WriteBytes(dir.File("huge.png"), test::PngHeaderOnly(100000, 100000));
  refused = ReadSpriteSizedImage(dir.File("huge.png"), 16, 16);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.Message().find("100000 x 100000"), std::string::npos) << refused.Message();


  test::WriteBytes(dir.File("empty.png"), test::PngHeaderOnly(0, 0));
  EXPECT_FALSE(ReadSpriteSizedImage(dir.File("empty.png"), 16, 16));

  auto bytes = ReadBytes(dir.File("ok.png"));
  bytes.resize(bytes.size() / 2);
  test::WriteBytes(dir.File("cut.png"), bytes);
  EXPECT_FALSE(ReadSpriteSizedImage(dir.File("cut.png"), 16, 16));

  test::WriteBytes(dir.File("text.png"), {'h', 'e', 'l', 'l', 'o'});
  EXPECT_FALSE(ReadSpriteSizedImage(dir.File("text.png"), 16, 16));
  EXPECT_FALSE(ReadSpriteSizedImage(dir.File("absent.png"), 16, 16));
}

}  // namespace
}  // namespace kerrow
