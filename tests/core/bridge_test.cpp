#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "bridge/Binding.h"
#include "bridge/CompressionBridge.h"
#include "bridge/PathVariant.h"
#include "graphics_TestSprite.h"

namespace kerrow {
namespace {

using test::Crlf;

int FailureNumber(const std::function<void()>& action, std::string* description = nullptr) {
  try {
    action();
  } catch (const Failure& failure) {
    if (description) *description = failure.Description();
    return failure.Number();
  }
  return 0;
}

class BridgeBinding : public ::testing::Test {
 protected:
  ~BridgeBinding() override {
    SetBindingSearchDirectory("");
    ResetBindings();
  }
  test::ScratchDir dir;
};

TEST_F(BridgeBinding, ResolvesFromTheProgramsDirectoryOnFirstCall) {
  ResetBindings();
  LibraryBinding& decomp = Binding(BoundLibrary::Vantor, BoundEntry::Decomp);
  EXPECT_EQ(decomp.FileName(), "libVantor.so");
  EXPECT_FALSE(decomp.Resolved());
  void* address = decomp.Address();
  EXPECT_TRUE(decomp.Resolved());
  // Later calls keep the address even when the library could no longer be found.
  SetBindingSearchDirectory(dir.Path().string());
  EXPECT_EQ(decomp.Address(), address);
  EXPECT_FALSE(Binding(BoundLibrary::Gellis, BoundEntry::Decomp).Resolved());
  EXPECT_FALSE(Binding(BoundLibrary::Droven, BoundEntry::Comp).Resolved());
}

TEST_F(BridgeBinding, UnresolvableBindingsFailWithClearNumbers) {
  SetBindingSearchDirectory(dir.Path().string());
  test::WriteBytes(dir.File("libBroken.so"), {'n', 'o', 't', ' ', 'E', 'L', 'F'});
  LibraryBinding broken("Broken", "Decomp");
  EXPECT_EQ(FailureNumber([&] { broken.Address(); }), kErrLoadingLibrary);
  std::string text;
  LibraryBinding absent("KerrowAbsent", "Decomp");
  EXPECT_EQ(FailureNumber([&] { absent.Address(); }, &text), kErrFileNotFound);
  EXPECT_EQ(text, "File not found: libKerrowAbsent.so");

  SetBindingSearchDirectory("");
  LibraryBinding noEntry("Vantor", "Compress");
  EXPECT_EQ(FailureNumber([&] { noEntry.Address(); }, &text), kErrEntryPoint);
  EXPECT_EQ(text, "Can't find DLL entry point Compress in libVantor.so");
}

// Once loaded, a library is found by name from anywhere in the process, so the
// missing-library case runs in a fresh copy of this program.
TEST_F(BridgeBinding, WithoutVantorCompressedSpritesFailAtTheFirstCall) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        test::CoreFixtureGuard guard;
        SetBindingSearchDirectory(dir.Path().string());
        ResetBindings();
        std::string text;
        int compNumber = FailureNumber([] { VantorComp("a", "b"); }, &text);
        test::InstallSpriteTable({{.Offset = 0}}, true);
        test::SizeSprite(2, 2);
        test::RecordingSurface surface;
        int loadNumber = FailureNumber([&] { LoadCompressedWhiteTiles("0,0,0", surface); });
        bool ok = compNumber == kErrFileNotFound && text == "File not found: libVantor.so" &&
                  loadNumber == kErrFileNotFound && surface.calls.empty();
        std::fprintf(stderr, "comp %d '%s' load %d\n", compNumber, text.c_str(), loadNumber);
        std::filesystem::remove_all(dir.Path());  // std::exit skips the fixture's clean-up
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(BridgeBinding, VantorRoundTripsFilesAndReportsMinusOne) {
  ResetBindings();
  auto data = test::PatternBytes(5000);
  test::WriteBytes(dir.File("plain.bin"), data);
  ASSERT_EQ(VantorComp(dir.File("plain.bin"), dir.File("packed.bin")), 0);
  auto packed = test::ReadBytes(dir.File("packed.bin"));
  // Behind 100 bytes of other data, as inside a ROM.
  std::vector<unsigned char> rom(100 + packed.size(), 0xAA);
  std::copy(packed.begin(), packed.end(), rom.begin() + 100);
  test::WriteBytes(dir.File("rom.bin"), rom);
  ASSERT_EQ(VantorDecomp(dir.File("rom.bin"), dir.File("out.bin"), 100), 0);
  EXPECT_EQ(test::ReadBytes(dir.File("out.bin")), data);

  EXPECT_EQ(VantorDecomp(dir.File("rom.bin"), dir.File("out2.bin"), 0), -1);  // not a stream there
  EXPECT_EQ(VantorDecomp(dir.File("absent.bin"), dir.File("out2.bin"), 0), -1);
  EXPECT_EQ(VantorDecomp(dir.File("rom.bin"), dir.File("out2.bin"), 1 << 30), -1);
  EXPECT_EQ(VantorComp(dir.File("absent.bin"), dir.File("out2.bin")), -1);
  EXPECT_EQ(VantorComp(dir.File("plain.bin"), dir.File("no/such/dir/out.bin")), -1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out2.bin")));
}

// A ROM holding, at kOffset, the compressed form of 8 tiles (tile k filled with k).
class BridgeLoad : public ::testing::Test {
 protected:
  static constexpr std::int64_t kOffset = 64;
  BridgeLoad() {
    ResetBindings();
    std::vector<unsigned char> data(8 * 32);
    for (std::size_t i = 0; i < data.size(); ++i)
      data[i] = static_cast<unsigned char>((i / 32) * 17);
    test::WriteBytes("plain.bin", data);
    EXPECT_EQ(VantorComp("plain.bin", "packed.bin"), 0);
    auto packed = test::ReadBytes("packed.bin");
    std::vector<unsigned char> rom(kOffset + packed.size() + 64, 0x66);
    std::fill_n(rom.begin(), kOffset, 0x55);
    std::copy(packed.begin(), packed.end(), rom.begin() + kOffset);
    test::WriteBytes(dir.File("rom.bin"), rom);
    G().RomPath = dir.File("rom.bin");
    test::InstallSpriteTable({{.Width = 2, .Height = 1, .Offset = kOffset, .MaxSize = 1000}}, true);
    test::SizeSprite(2, 1);
  }
  ~BridgeLoad() override { ResetBindings(); }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir{true};
  test::RecordingSurface surface;
};

TEST_F(BridgeLoad, WhiteAndGreyTilesComeFromTheDecompressedData) {
  LoadCompressedWhiteTiles("0,0,96", surface);
  EXPECT_TRUE(G().SpriteIsCompressed);
  EXPECT_EQ(G().SpriteRomPath, dir.File("rom.bin"));
  EXPECT_EQ(G().SpritePixels.At(0, 0), 3);
  EXPECT_EQ(G().TileMap.At(0, 0), kTileWhite);
  std::filesystem::remove(DumpFile());
  LoadCompressedGreyTiles("1,0,224", surface);
  EXPECT_EQ(G().SpritePixels.At(8, 0), 7);
  EXPECT_EQ(G().TileMap.At(1, 0), kTileGrey);
  EXPECT_EQ(surface.calls.back(),
            (test::RecordingSurface::Call{test::RecordingSurface::Call::kShade, 1, 0, 0}));
  EXPECT_EQ(test::ReadBytes(DumpFile()), test::ReadBytes("plain.bin"));

  RemoveTemporaryFiles();
  test::WriteBytes(DumpCompressedFile(), {1});
  RemoveTemporaryFiles();
  EXPECT_FALSE(std::filesystem::exists(DumpFile()));
  EXPECT_FALSE(std::filesystem::exists(DumpCompressedFile()));
  RemoveTemporaryFiles();  // absent files are fine
}

TEST_F(BridgeLoad, EmptyListStillDecompresses) {
  LoadCompressedWhiteTiles("", surface);
  EXPECT_TRUE(std::filesystem::exists(DumpFile()));
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_TRUE(G().SpriteIsCompressed);
}

TEST_F(BridgeLoad, DecompressionFailureIs7000AndDecodesNothing) {
  test::InstallSpriteTable({{.Width = 2, .Height = 1, .Offset = 0, .MaxSize = 1000}}, true);
  for (auto loader : {LoadCompressedWhiteTiles, LoadCompressedGreyTiles}) {
    try {
      loader("0,0,0", surface);
      ADD_FAILURE();
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Number(), 7000);
      EXPECT_EQ(failure.Source(), "Decompression execution");
      EXPECT_EQ(failure.Description(),
                "Program encountered an error while running the decompression routine.");
    }
  }
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(G().SpriteIsCompressed);
}

TEST_F(BridgeLoad, TileListFailuresKeepEarlierTilesAndTheFlag) {
  EXPECT_EQ(FailureNumber([&] {
              LoadCompressedWhiteTiles(Crlf({"0,0,0", "1,0,256"}), surface);
            }),
            kErrPastEndOfFile);
  EXPECT_EQ(G().TileMap.At(0, 0), kTileWhite);
  EXPECT_FALSE(G().SpriteIsCompressed);
  test::InstallSpriteTable({{.Width = 2, .Height = 1, .Offset = 0, .MaxSize = 0}}, true);
  G().GameTables[kCompressed] = std::make_unique<TableView>(
      "COMPRESSED", std::vector<std::string>{"Name", "Offset"},
      std::vector<std::vector<FieldValue>>{{std::string("Hero"), std::string("sixty")}});
  EXPECT_EQ(FailureNumber([&] { LoadCompressedWhiteTiles("0,0,0", surface); }), kErrTypeMismatch);
}

// Stand-ins for the library's Decomp that report unusual results.
std::int32_t DecompWith(std::int32_t result) {
  test::WriteBytes(DumpFile(), std::vector<unsigned char>(64, 0x21));
  return result;
}
std::int32_t Decomp40000(VARIANT, VARIANT, std::int32_t) {
  return DecompWith(40000);
}
std::int32_t Decomp1(VARIANT, VARIANT, std::int32_t) {
  return DecompWith(1);
}

TEST_F(BridgeLoad, OnlyMinusOneFailsAndTheGreyLoaderOverflowsAbove16Bits) {
  LibraryBinding& decomp = Binding(BoundLibrary::Vantor, BoundEntry::Decomp);
  decomp.Override(reinterpret_cast<void*>(&Decomp40000));
  LoadCompressedWhiteTiles("0,0,0", surface);
  EXPECT_EQ(G().SpritePixels.At(1, 0), 1);
  EXPECT_EQ(FailureNumber([&] { LoadCompressedGreyTiles("1,0,32", surface); }), kErrOverflow);
  EXPECT_EQ(G().TileMap.At(1, 0), kTileEmpty);
  decomp.Override(reinterpret_cast<void*>(&Decomp1));
  LoadCompressedGreyTiles("1,0,32", surface);
  EXPECT_EQ(G().TileMap.At(1, 0), kTileGrey);
}

}  // namespace
}  // namespace kerrow
