#include <gtest/gtest.h>

#include "bridge/WriteBack.h"
#include "editing/bPal.h"
#include "graphics/bDraw.h"
#include "graphics_TestSprite.h"
#include "shell/ErrorReports.h"

namespace kerrow {
namespace {

using test::Crlf;

// A 3x1 sprite: white tiles at 64 and 128, a grey tile at 192, in a 256-byte ROM.
class WriteBackPlain : public ::testing::Test {
 protected:
  WriteBackPlain() {
    rom = test::PatternBytes(256);
    test::WriteBytes(romPath(), rom);
    G().RomPath = romPath();
    Load(Crlf({"0,0,64", "1,0,128"}));
  }
  std::string romPath() const { return dir.File("rom.bin"); }
  void Load(const std::string& white) {
    test::InstallSpriteTable({{.Width = 3, .Height = 1, .White = white, .Grey = "2,0,192"}});
    test::SizeSprite(3, 1);
    LoadWhiteTiles(white, surface);
    LoadGreyTiles("2,0,192", surface);
    G().SpriteLoaded = true;
  }
  // Paints a whole tile with one colour index, as the tools would.
  void Paint(std::int32_t tx, std::uint8_t colour) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) G().SpritePixels.At(8 * tx + x, y) = colour;
    G().SpriteDirty = true;
  }
  std::vector<unsigned char> Expected(std::initializer_list<std::pair<int, unsigned char>> tiles) {
    auto bytes = rom;
    for (auto [offset, value] : tiles) std::fill_n(bytes.begin() + offset, 32, value);
    return bytes;
  }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
  test::RecordingSurface surface;
  std::vector<unsigned char> rom;
};

TEST_F(WriteBackPlain, OnlyWhiteTilesAtTheirOffsetsChange) {
  Paint(0, 0x3);
  Paint(1, 0xC);
  Paint(2, 0x5);  // grey: never written
  EXPECT_TRUE(SaveRom());
  EXPECT_EQ(test::ReadBytes(romPath()), Expected({{64, 0x33}, {128, 0xCC}}));
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

TEST_F(WriteBackPlain, NothingLoadedSavesNothing) {
  G().SpriteLoaded = false;
  Paint(0, 0x3);
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(test::ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

TEST_F(WriteBackPlain, WhiteCellWithoutLineIsReportedAndTheRestIsSaved) {
  G().TileMap.At(2, 0) = kTileWhite;  // a white cell the list does not name
  Paint(0, 0x3);
  Paint(2, 0x5);
  EXPECT_TRUE(SaveRom());
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, kProcessingErrorTitle);
  EXPECT_EQ(test::ReadBytes(romPath())[64], 0x33);
  EXPECT_FALSE(G().SpriteDirty);
}

TEST_F(WriteBackPlain, TilePastTheEndRefusesTheWholeSave) {
  Paint(0, 0x3);
  Paint(1, 0xC);
  // The ROM shrank since the sprite was loaded: the second tile no longer fits.
  rom.resize(150);
  test::WriteBytes(romPath(), rom);
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(test::ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, kAppTitle);
  EXPECT_NE(guard.dialogs.shown[0].text.find("rom.bin"), std::string::npos);
  EXPECT_NE(guard.dialogs.shown[0].text.find("Nothing was written"), std::string::npos);
}

// Data goes only into the ROM it came from, and only while that ROM is the
// one open: otherwise both saves refuse, naming the ROM, and write nothing.
TEST_F(WriteBackPlain, SavesGoOnlyToTheRomOpenNowWhenTheirDataCameFromIt) {
  LoadPalette(romPath(), 0);
  auto other = test::PatternBytes(256, 9);
  test::WriteBytes(dir.File("other.bin"), other);
  G().RomPath = dir.File("other.bin");  // another file was opened since
  Paint(0, 0x3);
  EditPaletteEntry(1, 0xE0E0E0);
  EXPECT_FALSE(SaveRom());
  SavePaletteCommand();
  EXPECT_EQ(test::ReadBytes(dir.File("other.bin")), other);
  EXPECT_EQ(test::ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty && G().PaletteDirty);
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  for (const auto& box : guard.dialogs.shown) {
    EXPECT_NE(box.text.find("came from " + romPath()), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Nothing was written"), std::string::npos) << box.text;
  }

  G().RomPath = romPath();
  EXPECT_TRUE(SaveRom());
  SavePaletteCommand();
  auto saved = test::ReadBytes(romPath());
  EXPECT_EQ(saved[64], 0x33);
  EXPECT_EQ(saved[2], 0x0E);
  EXPECT_EQ(saved[3], 0xEE);
  EXPECT_FALSE(G().PaletteDirty);
}

TEST_F(WriteBackPlain, FileFailuresPropagateNamingTheFile) {
  Paint(0, 0x3);
  std::filesystem::remove(romPath());
  try {
    SaveRom();
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrFileNotFound);
    EXPECT_NE(failure.Description().find(romPath()), std::string::npos);
  }
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_FALSE(std::filesystem::exists(romPath()));  // never created anew
}

TEST_F(WriteBackPlain, MalformedListFailsBeforeAnythingIsWritten) {
  Paint(0, 0x3);
  Paint(1, 0xC);
  test::InstallSpriteTable({{.Width = 3, .Height = 1, .White = Crlf({"0,0,64", "1,x,128"})}});
  EXPECT_THROW(SaveRom(), Failure);
  EXPECT_EQ(test::ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
}

TEST_F(WriteBackPlain, SavePaletteCommandNeedsAnOpenRom) {
  LoadPalette(romPath(), 0);
  EditPaletteEntry(1, 0x0000E0);
  G().RomPath.clear();
  SavePaletteCommand();
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(test::ReadBytes(romPath()), rom);
}

}  // namespace
}  // namespace kerrow
