#include <gtest/gtest.h>

#include <filesystem>

#include "bridge/Binding.h"
#include "bridge/CompressionBridge.h"
#include "bridge/PathVariant.h"
#include "bridge/WriteBack.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

using test::Crlf;
using test::ReadBytes;

// A compressed 2x1 sprite: 256 bytes of data (tiles at 0 and 32 editable)
// stored behind 64 bytes of other ROM data, with 300 bytes after it.
class WriteBackCompressed : public ::testing::Test {
 protected:
  static constexpr std::int64_t kOffset = 64;
  WriteBackCompressed() {
    ResetBindings();
    data = test::PatternBytes(256, 5);
    test::WriteBytes("data.bin", data);
    EXPECT_EQ(VantorComp("data.bin", "packed.bin"), 0);
    auto packed = ReadBytes("packed.bin");
    rom.assign(kOffset, 0x55);
    rom.insert(rom.end(), packed.begin(), packed.end());
    rom.resize(rom.size() + 300, 0x66);
    test::WriteBytes(romPath(), rom);
    G().RomPath = romPath();
    Install(1000);
    test::SizeSprite(2, 1);
    LoadCompressedWhiteTiles(kWhite, surface);
    G().SpriteLoaded = true;
  }
  ~WriteBackCompressed() override { ResetBindings(); }

  std::string romPath() const { return dir.File("rom.bin"); }
  void Install(std::int64_t maxSize) {
    test::InstallSpriteTable(
        {{.Width = 2, .Height = 1, .White = kWhite, .Offset = kOffset, .MaxSize = maxSize}}, true);
  }
  // Clears the first tile, which makes the data compress better than before.
  void EditFirstTile() {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) G().SpritePixels.At(x, y) = 0;
    G().SpriteDirty = true;
  }
  std::vector<unsigned char> EditedData() const {
    auto edited = data;
    std::fill_n(edited.begin(), 32, 0);
    return edited;
  }
  // What the ROM decompresses to at the sprite's offset now.
  std::vector<unsigned char> RomData() {
    EXPECT_EQ(VantorDecomp(romPath(), "check.bin", kOffset), 0);
    return ReadBytes("check.bin");
  }

  static constexpr const char* kWhite = "0,0,0\r\n1,0,32";
  test::CoreFixtureGuard guard;
  test::ScratchDir dir{true};
  test::RecordingSurface surface;
  std::vector<unsigned char> data;
  std::vector<unsigned char> rom;
};

TEST_F(WriteBackCompressed, FittingDataIsWrittenAtOffsetAndNothingElseChanges) {
  EditFirstTile();
  ASSERT_TRUE(SaveRom());
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_TRUE(guard.dialogs.shown.empty());
  EXPECT_EQ(ReadBytes(DumpFile()), EditedData());
  auto packed = ReadBytes(DumpCompressedFile());  // stays after a save
  auto after = ReadBytes(romPath());
  ASSERT_EQ(after.size(), rom.size());
  auto expected = rom;
  std::copy(packed.begin(), packed.end(), expected.begin() + kOffset);
  EXPECT_EQ(after, expected);  // the tail of the old, longer data remains
  EXPECT_LT(packed.size(), rom.size() - kOffset - 300);
  EXPECT_EQ(RomData(), EditedData());
}

TEST_F(WriteBackCompressed, ExactlyMaxSizeFitsAndOneByteOverIsRefused) {
  EditFirstTile();
  ASSERT_TRUE(SaveRom());
  const auto size = static_cast<std::int64_t>(ReadBytes(DumpCompressedFile()).size());
  const auto saved = ReadBytes(romPath());

  test::WriteBytes(romPath(), rom);
  Install(size);
  G().SpriteDirty = true;
  ASSERT_TRUE(SaveRom());
  EXPECT_EQ(ReadBytes(romPath()), saved);

  test::WriteBytes(romPath(), rom);
  Install(size - 1);
  G().SpriteDirty = true;
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_FALSE(std::filesystem::exists(DumpCompressedFile()));
  EXPECT_EQ(ReadBytes(DumpFile()), EditedData());
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  const auto& box = guard.dialogs.shown[0];
  EXPECT_EQ(box.text,
            "WARNING:\r\nData is LARGER than the maximum size to fit in the ROM. Saving to the end "
            "of the ROM is currently unsupported. You must make your sprite less detailed so the "
            "compressor will compress it enough to fit.");
  EXPECT_EQ(box.icon, MsgIcon::None);
  EXPECT_EQ(box.buttons, MsgButtons::Ok);
  EXPECT_EQ(box.title, "Tavrel BETA");
}

std::int32_t CompFails(VARIANT, VARIANT) {
  return -1;
}

TEST_F(WriteBackCompressed, CompressorFailureAbandonsOnlyTheSave) {
  Binding(BoundLibrary::Vantor, BoundEntry::Comp).Override(reinterpret_cast<void*>(&CompFails));
  EditFirstTile();
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].text, "File did not get compressed...");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::None);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Tavrel BETA");
  // The program carries on: a later save with a working compressor completes.
  ResetBindings();
  EXPECT_TRUE(SaveRom());
  EXPECT_EQ(RomData(), EditedData());
}

TEST_F(WriteBackCompressed, DataReachingPastTheRomsEndIsRefused) {
  EditFirstTile();
  rom.resize(kOffset + 10);
  test::WriteBytes(romPath(), rom);
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("Nothing was written to the ROM"), std::string::npos);
}

TEST_F(WriteBackCompressed, TileOutsideTheDecompressedDataIsRefusedBeforeCompressing) {
  test::InstallSpriteTable(
      {{.Width = 2, .Height = 1, .White = "0,0,0\r\n1,0,250", .Offset = kOffset, .MaxSize = 1000}},
      true);
  EditFirstTile();
  EXPECT_FALSE(SaveRom());
  EXPECT_EQ(ReadBytes(DumpFile()), data);
  EXPECT_FALSE(std::filesystem::exists(DumpCompressedFile()));
  EXPECT_EQ(ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
}

TEST_F(WriteBackCompressed, VanishedTemporaryFileFailsNamingIt) {
  EditFirstTile();
  RemoveTemporaryFiles();
  try {
    SaveRom();
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrFileNotFound);
    EXPECT_NE(failure.Description().find("dump.bin"), std::string::npos);
  }
  EXPECT_EQ(ReadBytes(romPath()), rom);
  EXPECT_TRUE(G().SpriteDirty);
}

}  // namespace
}  // namespace kerrow
