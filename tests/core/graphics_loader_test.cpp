#include <gtest/gtest.h>

#include "graphics/bDraw.h"
#include "graphics/bGenTile.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

using test::CoreFixtureGuard;
using test::Crlf;
using test::RecordingSurface;
using Call = RecordingSurface::Call;

// A ROM whose tile k (32 bytes at 32k) is filled with pixel value k % 16.
class GraphicsLoader : public ::testing::Test {
 protected:
  GraphicsLoader() {
    std::vector<unsigned char> rom(32 * 16);
    for (std::size_t i = 0; i < rom.size(); ++i)
      rom[i] = static_cast<unsigned char>(((i / 32) % 16) * 17);
    test::WriteBytes(dir.File("rom.bin"), rom);
    G().RomPath = dir.File("rom.bin");
    test::SizeSprite(2, 2);
  }
  std::uint8_t TileValue(std::int32_t tx, std::int32_t ty) const {
    return G().SpritePixels.At(8 * tx + 3, 8 * ty + 5);
  }
  int LoadFailure(void (*loader)(std::string_view, Surface&), const std::string& list) {
    try {
      loader(list, surface);
    } catch (const Failure& failure) {
      return failure.Number();
    }
    return 0;
  }

  CoreFixtureGuard guard;
  test::ScratchDir dir;
  RecordingSurface surface;
};

TEST_F(GraphicsLoader, WhiteTilesAreDecodedDrawnAndMarkedInListOrder) {
  LoadWhiteTiles(Crlf({"1,1,96", "0,0,&H20"}), surface);
  EXPECT_EQ(TileValue(1, 1), 3);
  EXPECT_EQ(TileValue(0, 0), 1);
  EXPECT_EQ(G().TileMap.At(1, 1), kTileWhite);
  EXPECT_EQ(G().TileMap.At(0, 0), kTileWhite);
  EXPECT_EQ(G().TileMap.At(1, 0), kTileEmpty);
  ASSERT_EQ(surface.calls.size(), 128u);
  EXPECT_EQ(surface.calls[0], (Call{Call::kPixel, 8, 8, 3}));
  EXPECT_EQ(surface.calls[64], (Call{Call::kPixel, 0, 0, 1}));
  EXPECT_EQ(G().SpriteRomPath, G().RomPath);
}

TEST_F(GraphicsLoader, ReverseOrderGivesTheSameImage) {
  LoadWhiteTiles(Crlf({"0,0,32", "1,0,64", "0,1,96", "1,1,128"}), surface);
  PixelGrid forward = G().SpritePixels;
  test::SizeSprite(2, 2);
  LoadWhiteTiles(Crlf({"1,1,128", "0,1,96", "1,0,64", "0,0,32"}), surface);
  EXPECT_EQ(G().SpritePixels, forward);
}

TEST_F(GraphicsLoader, DuplicatesKeepTheLaterLineAndGreyOverlapsWhite) {
  LoadWhiteTiles(Crlf({"0,0,32", "0,0,160"}), surface);
  EXPECT_EQ(TileValue(0, 0), 5);
  surface.calls.clear();
  LoadGreyTiles(Crlf({"0,0,224", "1,0,256"}), surface);
  EXPECT_EQ(TileValue(0, 0), 7);
  EXPECT_EQ(TileValue(1, 0), 8);
  EXPECT_EQ(G().TileMap.At(0, 0), kTileGrey);
  EXPECT_EQ(G().TileMap.At(1, 0), kTileGrey);
  // Each grey tile is shaded right after its 64 pixels.
  ASSERT_EQ(surface.calls.size(), 130u);
  EXPECT_EQ(surface.calls[64], (Call{Call::kShade, 0, 0, 0}));
  EXPECT_EQ(surface.calls[129], (Call{Call::kShade, 1, 0, 0}));
}

TEST_F(GraphicsLoader, EmptyListTouchesNoFile) {
  G().RomPath = dir.File("absent.bin");
  LoadGreyTiles("", surface);
  LoadWhiteTiles("", surface);
  EXPECT_TRUE(surface.calls.empty());
}

TEST_F(GraphicsLoader, FailuresStopAtTheirLineKeepingEarlierTiles) {
  struct Case {
    std::string list;
    int number;
  };
  for (const Case& c : {Case{Crlf({"0,0,32", ""}), kErrSubscript},  // trailing CR LF
                        Case{Crlf({"0,0,32", "1,1"}), kErrSubscript},
                        Case{Crlf({"0,0,32", "1,one,64"}), kErrTypeMismatch},
                        Case{Crlf({"0,0,32", "2,0,64"}), kErrSubscript},
                        Case{Crlf({"0,0,32", "1,0,481"}), kErrPastEndOfFile},
                        Case{Crlf({"0,0,32", "1,0,-1"}), kErrBadRecordNumber}}) {
    test::SizeSprite(2, 2);
    surface.calls.clear();
    EXPECT_EQ(LoadFailure(LoadWhiteTiles, c.list), c.number) << c.list;
    EXPECT_EQ(TileValue(0, 0), 1) << c.list;
    EXPECT_EQ(G().TileMap.At(0, 0), kTileWhite);
    EXPECT_EQ(G().TileMap.At(1, 0), kTileEmpty);
    EXPECT_EQ(surface.calls.size(), 64u) << c.list;
  }
  // The last whole tile of the file still loads.
  test::SizeSprite(2, 2);
  EXPECT_EQ(LoadFailure(LoadWhiteTiles, "1,1,480"), 0);
  EXPECT_EQ(TileValue(1, 1), 15);
}

TEST_F(GraphicsLoader, MissingRomFailsWhenTheFirstLineIsReached) {
  G().RomPath = dir.File("absent.bin");
  EXPECT_EQ(LoadFailure(LoadWhiteTiles, "0,0,0"), kErrFileNotFound);
  EXPECT_EQ(LoadFailure(LoadWhiteTiles, "0,x,0"), kErrTypeMismatch);
}

}  // namespace
}  // namespace kerrow
