#include <gtest/gtest.h>

#include "workshop/TileViewerLayout.h"

namespace kerrow {
namespace {

// Offsets of the first `rows` x layout.VisibleColumns() view positions, in
// tile units from Start (-1 for a gap).
std::vector<std::vector<int>> Grid(const TileViewerLayout& layout, int rows) {
  std::vector<std::vector<int>> grid(rows);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < layout.VisibleColumns(); ++x) {
      const auto offset = layout.OffsetAt(x, y);
      grid[y].push_back(offset ? static_cast<int>((*offset - layout.Start) / 32) : -1);
    }
  return grid;
}

TEST(TileViewerLayoutTest, RowOrderFollowsTheRowsFromAnyStartByte) {
  TileViewerLayout layout;
  layout.Start = 5;  // not tile-aligned
  layout.TilesPerRow = 3;
  EXPECT_EQ(Grid(layout, 2), (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(*layout.OffsetAt(1, 1), 5 + 4 * 32);
  EXPECT_EQ(layout.RowBytes(), 96);
  EXPECT_FALSE(layout.OffsetAt(3, 0));
  EXPECT_FALSE(layout.OffsetAt(-1, 0));
}

TEST(TileViewerLayoutTest, BlockColumnsMatchASpriteLaidOutByHand) {
  // A 2x3-tile sprite in hardware order stores its tiles column by column:
  //   0 3
  //   1 4
  //   2 5
  // and the next sprite (6..11) follows to its right.
  TileViewerLayout layout;
  layout.Order = TileOrder::BlockColumns;
  layout.BlockWidth = 2;
  layout.BlockHeight = 3;
  layout.TilesPerRow = 5;  // two whole blocks fit; the fifth column stays empty
  EXPECT_EQ(layout.VisibleColumns(), 4);
  EXPECT_EQ(Grid(layout, 6), (std::vector<std::vector<int>>{{0, 3, 6, 9},
                                                            {1, 4, 7, 10},
                                                            {2, 5, 8, 11},
                                                            {12, 15, 18, 21},
                                                            {13, 16, 19, 22},
                                                            {14, 17, 20, 23}}));
  EXPECT_EQ(layout.RowStep(), 3);
  EXPECT_EQ(layout.RowBytes(), 12 * 32);
  // A block wider than the row still shows one block per row.
  layout.TilesPerRow = 1;
  EXPECT_EQ(layout.BlocksPerRow(), 1);
  EXPECT_EQ(Grid(layout, 3), (std::vector<std::vector<int>>{{0, 3}, {1, 4}, {2, 5}}));
}

TEST(TileViewerLayoutTest, SettingsAreClampedIntoTheirRanges) {
  TileViewerLayout layout;
  layout.TilesPerRow = 100;
  layout.BlockWidth = 0;
  layout.BlockHeight = 9;
  layout.Start = -3;
  layout = Normalised(layout);
  EXPECT_EQ(layout.TilesPerRow, 64);
  EXPECT_EQ(layout.BlockWidth, 1);
  EXPECT_EQ(layout.BlockHeight, 4);
  EXPECT_EQ(layout.Start, 0);
}

TEST(TileViewerPixels, NibblesGiveTheLeftPixelFirstAndShortSourcesGiveNothing) {
  std::vector<std::uint8_t> source(40, 0);
  source[3] = 0x1F;  // tile at 3: first row starts 1, 15
  source[3 + 31] = 0xA0;
  const auto pixels = TilePixelsAt(source, 3);
  ASSERT_TRUE(pixels);
  EXPECT_EQ((*pixels)[0], 1);
  EXPECT_EQ((*pixels)[1], 15);
  EXPECT_EQ((*pixels)[62], 10);
  EXPECT_EQ((*pixels)[63], 0);
  EXPECT_TRUE(TilePixelsAt(source, 8));
  EXPECT_FALSE(TilePixelsAt(source, 9));
  EXPECT_FALSE(TilePixelsAt(source, -1));
}

TEST(TileViewerOffsetText, DecimalAndTheCommonHexFormsAreAccepted) {
  EXPECT_EQ(ParseOffsetText("1234"), 1234);
  EXPECT_EQ(ParseOffsetText(" 0x1F0 "), 0x1F0);
  EXPECT_EQ(ParseOffsetText("$ff"), 0xFF);
  EXPECT_EQ(ParseOffsetText("&H20A0"), 0x20A0);
  EXPECT_EQ(ParseOffsetText("3A0h"), 0x3A0);
  EXPECT_FALSE(ParseOffsetText(""));
  EXPECT_FALSE(ParseOffsetText("0x"));
  EXPECT_FALSE(ParseOffsetText("12z"));
  EXPECT_FALSE(ParseOffsetText("-5"));
  EXPECT_FALSE(ParseOffsetText("0xFFFFFFFFFFFFFFFF"));
}

}  // namespace
}  // namespace kerrow
