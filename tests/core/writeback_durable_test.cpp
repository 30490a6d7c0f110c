// Save ROM and Save Palette put the ROM on the disk before they report success:
// when the flush happens the change is in the file and the unsaved-changes flag
// is still set, so a power cut before it leaves the change offered again.
#include <gtest/gtest.h>

#include "bridge/Binding.h"
#include "bridge/CompressionBridge.h"
#include "bridge/WriteBack.h"
#include "editing/bPal.h"
#include "graphics/BinaryFile.h"
#include "graphics/bDraw.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

struct Flushed {
  std::string Path;
  std::vector<unsigned char> Bytes;  // the file as it was at the flush
  bool SpriteDirty;
  bool PaletteDirty;
};

class DurableSaves : public ::testing::Test {
 protected:
  DurableSaves() {
    SetFlushObserver([this](const std::string& path) {
      flushes.push_back({path, test::ReadBytes(path), G().SpriteDirty, G().PaletteDirty});
    });
    rom = test::PatternBytes(512);
    test::WriteBytes(romPath(), rom);
    G().RomPath = romPath();
  }
  ~DurableSaves() override {
    SetFlushObserver(nullptr);
    ResetBindings();
  }
  std::string romPath() const { return dir.File("rom.bin"); }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir{true};
  test::RecordingSurface surface;
  std::vector<unsigned char> rom;
  std::vector<Flushed> flushes;
};

TEST_F(DurableSaves, PlainSpriteAndPaletteReachTheDiskBeforeTheirFlagsClear) {
  test::InstallSpriteTable({{.Width = 1, .Height = 1, .White = "0,0,64"}});
  test::SizeSprite(1, 1);
  LoadWhiteTiles("0,0,64", surface);
  G().SpriteLoaded = true;
  G().SpritePixels.At(0, 0) = 0xA;
  G().SpriteDirty = true;
  ASSERT_TRUE(SaveRom());
  const auto saved = test::ReadBytes(romPath());
  EXPECT_EQ(saved[64], 0xA0 | (rom[64] & 0x0F));
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_EQ(flushes[0].Path, romPath());
  EXPECT_EQ(flushes[0].Bytes, saved);
  EXPECT_TRUE(flushes[0].SpriteDirty);

  flushes.clear();
  LoadPalette(romPath(), 200);
  ASSERT_TRUE(EditPaletteEntry(3, 0xE0E0E0));
  SavePalette();
  EXPECT_FALSE(G().PaletteDirty);
  const auto withPalette = test::ReadBytes(romPath());
  EXPECT_NE(withPalette, saved);
  ASSERT_EQ(flushes.size(), 1u);
  EXPECT_EQ(flushes[0].Path, romPath());
  EXPECT_EQ(flushes[0].Bytes, withPalette);
  EXPECT_TRUE(flushes[0].PaletteDirty);
}

TEST_F(DurableSaves, CompressedSpriteReachesTheDiskBeforeItsFlagClears) {
  ResetBindings();
  test::WriteBytes(dir.File("data.bin"), test::PatternBytes(64, 9));
  ASSERT_EQ(VantorComp(dir.File("data.bin"), dir.File("packed.bin")), 0);
  const auto packed = test::ReadBytes(dir.File("packed.bin"));
  std::copy(packed.begin(), packed.end(), rom.begin() + 100);
  test::WriteBytes(romPath(), rom);
  test::InstallSpriteTable(
      {{.Width = 2, .Height = 1, .White = "0,0,0\r\n1,0,32", .Offset = 100, .MaxSize = 400}}, true);
  test::SizeSprite(2, 1);
  LoadCompressedWhiteTiles("0,0,0\r\n1,0,32", surface);
  G().SpriteLoaded = true;
  G().SpritePixels.At(3, 3) = 0xF;
  G().SpriteDirty = true;
  ASSERT_TRUE(SaveRom());
  const auto saved = test::ReadBytes(romPath());
  EXPECT_NE(saved, rom);
  ASSERT_FALSE(flushes.empty());
  EXPECT_EQ(flushes.back().Path, romPath());
  EXPECT_EQ(flushes.back().Bytes, saved);
  EXPECT_TRUE(flushes.back().SpriteDirty);
}

}  // namespace
}  // namespace kerrow
