#include <gtest/gtest.h>

#include "graphics/TileList.h"
#include "graphics/bGenTile.h"
#include "graphics_TestSprite.h"
#include "shell/ErrorReports.h"

namespace kerrow {
namespace {

using test::CoreFixtureGuard;
using test::RecordingSurface;

constexpr DisplayColour Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r + 256 * g + 65536 * b;
}

TEST(GraphicsColour, GenesisWordsDecodeToEvenLevelsAndOddLevelsToZero) {
  EXPECT_EQ(GenesisToRgb(0x0E, 0xEE), Rgb(224, 224, 224));
  EXPECT_EQ(GenesisToRgb(0x00, 0x0E), Rgb(224, 0, 0));
  EXPECT_EQ(GenesisToRgb(0x0F, 0xFF), Rgb(0, 0, 0));
  EXPECT_EQ(GenesisToRgb(0xF2, 0x40), Rgb(0, 64, 32));  // high nibble of the first byte ignored
  EXPECT_EQ(GenesisToRgb(0x03, 0x86), Rgb(96, 128, 0));
}

TEST(GraphicsColour, DisplayColoursKeepTheirTopThreeBits) {
  EXPECT_EQ(RgbToGenesis(Rgb(255, 128, 0)), (ColourWord{0x00, 0x8E}));
  EXPECT_EQ(RgbToGenesis(Rgb(31, 32, 255)), (ColourWord{0x0E, 0x20}));
  EXPECT_EQ(RgbToGenesis(Rgb(255, 130, 31)), (ColourWord{0x00, 0x8E}));
  // Every encodable word survives the round trip; every colour lands on a level.
  for (std::uint32_t level = 0; level < 16; level += 2) {
    ColourWord word{static_cast<std::uint8_t>(level),
                    static_cast<std::uint8_t>(16 * (14 - level) + level)};
    EXPECT_EQ(RgbToGenesis(GenesisToRgb(word.First, word.Second)), word);
  }
  for (std::uint32_t c = 0; c < 256; ++c) {
    ColourWord word = RgbToGenesis(Rgb(c, c, c));
    EXPECT_EQ(GenesisToRgb(word.First, word.Second), Rgb(c & 0xE0, c & 0xE0, c & 0xE0)) << c;
  }
}

TEST(GraphicsTile, DecodeStoresPixelsAndDrawsThemInByteOrder) {
  CoreFixtureGuard guard;
  test::SizeSprite(3, 2);
  TileBytes bytes{};
  bytes[0] = 0x1F;
  bytes[31] = 0xA5;
  RecordingSurface surface;
  DecodeTile(bytes, "tile", surface, 0, 2, 1);

  EXPECT_EQ(G().SpritePixels.At(16, 8), 1);
  EXPECT_EQ(G().SpritePixels.At(17, 8), 15);
  EXPECT_EQ(G().SpritePixels.At(22, 15), 10);
  EXPECT_EQ(G().SpritePixels.At(23, 15), 5);
  int nonZero = 0;
  for (auto cell : G().SpritePixels.Cells()) nonZero += cell != 0;
  EXPECT_EQ(nonZero, 4);

  ASSERT_EQ(surface.calls.size(), 64u);
  EXPECT_EQ(surface.calls[0], (RecordingSurface::Call{RecordingSurface::Call::kPixel, 16, 8, 1}));
  EXPECT_EQ(surface.calls[1], (RecordingSurface::Call{RecordingSurface::Call::kPixel, 17, 8, 15}));
  EXPECT_EQ(surface.calls[8].x, 16);  // the ninth pixel starts row 1 of the tile
  EXPECT_EQ(surface.calls[8].y, 9);
  EXPECT_EQ(surface.calls[63], (RecordingSurface::Call{RecordingSurface::Call::kPixel, 23, 15, 5}));
  EXPECT_EQ(TileBytesAt(2, 1), bytes);
}

TEST(GraphicsTile, DecodingOutsideTheSpriteFailsBeforeAnyPixel) {
  CoreFixtureGuard guard;
  test::SizeSprite(2, 2);
  TileBytes bytes{};
  bytes.fill(0x77);
  RecordingSurface surface;
  for (auto [tx, ty] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0x20000000, 0}}) {
    try {
      DecodeTile(bytes, "tile", surface, 0, tx, ty);
      ADD_FAILURE() << tx << "," << ty;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Number(), kErrSubscript);
    }
  }
  EXPECT_TRUE(surface.calls.empty());
  for (auto cell : G().SpritePixels.Cells()) EXPECT_EQ(cell, 0);
}

// The loaders decode from the file's bytes in memory; the file form reads the
// file itself. Both must place the same pixels and refuse the same offsets.
TEST(GraphicsTile, DecodeTileFromFileAndFromMemoryAgreeAtAnyOffset) {
  CoreFixtureGuard guard;
  test::ScratchDir dir;
  const auto rom = test::PatternBytes(100);
  const std::string path = dir.File("rom.bin");
  test::WriteBytes(path, rom);
  test::SizeSprite(1, 1);
  RecordingSurface surface;
  for (std::int32_t offset : {0, 13, 68}) {  // 13: unaligned; 68: the last whole tile
    TileBytes expected;
    std::copy(rom.begin() + offset, rom.begin() + offset + 32, expected.begin());
    DecodeTile(path, surface, offset, 0, 0);
    EXPECT_EQ(TileBytesAt(0, 0), expected) << offset;
    test::SizeSprite(1, 1);
    DecodeTile(rom, path, surface, offset, 0, 0);
    EXPECT_EQ(TileBytesAt(0, 0), expected) << offset;
    test::SizeSprite(1, 1);
  }

  surface.calls.clear();
  for (std::int32_t offset : {69, 100, -1, -32}) {
    // A negative offset is told apart from one past the end of a short file.
    const std::int32_t expected = offset < 0 ? kErrBadRecordNumber : kErrPastEndOfFile;
    const std::string reason = offset < 0 ? "rom.bin, which is negative"
                                          : "rom.bin, which is only 100 bytes long";
    std::string fromFile, fromMemory;
    try {
      DecodeTile(path, surface, offset, 0, 0);
      ADD_FAILURE() << offset;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Number(), expected);
      fromFile = failure.Description();
    }
    try {
      DecodeTile(rom, path, surface, offset, 0, 0);
      ADD_FAILURE() << offset;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Number(), expected);
      fromMemory = failure.Description();
    }
    EXPECT_EQ(fromFile, fromMemory);
    EXPECT_NE(fromFile.find(reason), std::string::npos) << fromFile;
  }
  EXPECT_TRUE(surface.calls.empty());
  for (auto cell : G().SpritePixels.Cells()) EXPECT_EQ(cell, 0);

  try {
    DecodeTile(dir.File("missing.bin"), surface, 0, 0, 0);
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrFileNotFound);
    EXPECT_NE(failure.Description().find("missing.bin"), std::string::npos);
  }
}

TEST(GraphicsTileList, LinesFieldsAndNumberForms) {
  EXPECT_TRUE(SplitTileListLines("").empty());
  EXPECT_EQ(SplitTileListLines("0,0,1\r\n1,0,2").size(), 2u);
  auto trailing = SplitTileListLines("0,0,1\r\n");
  ASSERT_EQ(trailing.size(), 2u);
  EXPECT_EQ(trailing[1], "");
  // A bare LF is not a separator: the line keeps it and its number fails.
  EXPECT_EQ(SplitTileListLines("0,0,1\n1,0,2").size(), 1u);

  EXPECT_EQ(ParseTileLine("1,2,&H1F0"), (TileLine{1, 2, 0x1F0}));
  EXPECT_EQ(ParseTileLine("  3,  4,  100"), (TileLine{3, 4, 100}));
  EXPECT_EQ(ParseTileLine("1,2,3,junk"), (TileLine{1, 2, 3}));

  auto number = [](std::string_view line) {
    try {
      ParseTileLine(line);
    } catch (const Failure& failure) {
      return failure.Number();
    }
    return 0;
  };
  EXPECT_EQ(number(""), kErrSubscript);
  EXPECT_EQ(number("1,2"), kErrSubscript);
  EXPECT_EQ(number("1,x,3"), kErrTypeMismatch);
  EXPECT_EQ(number("1,2,"), kErrTypeMismatch);
  EXPECT_EQ(number("1,2,99999999999"), kErrOverflow);
}

TEST(GraphicsTileList, IndexFindsTheFirstLineNamingEachPosition) {
  const TileLineIndex index(ParseTileList("1,0,300\r\n0,0,100\r\n1,0,200\r\n-1,0,400\r\n1,0,250"));
  ASSERT_NE(index.Find(1, 0), nullptr);
  EXPECT_EQ(index.Find(1, 0)->Offset, 300);
  EXPECT_EQ(index.Find(0, 0)->Offset, 100);
  EXPECT_EQ(index.Find(-1, 0)->Offset, 400);
  EXPECT_EQ(index.Find(0, 1), nullptr);
  EXPECT_EQ(index.Find(0, -1), nullptr);
  EXPECT_EQ(TileLineIndex({}).Find(0, 0), nullptr);

  EXPECT_TRUE(ParseTileList("").empty());
  EXPECT_THROW(ParseTileList("0,1,5\r\n1,0"), Failure);  // a bad line anywhere fails
}

TEST(GraphicsEncode, WritesOnlyWhiteCellsAtTheirFirstListedOffset) {
  CoreFixtureGuard guard;
  test::ScratchDir dir;
  auto rom = test::PatternBytes(256);
  test::WriteBytes(dir.File("rom.bin"), rom);
  test::InstallSpriteTable({{.Width = 2, .Height = 1, .White = "1,0,64\r\n1,0,128"}});
  test::SizeSprite(2, 1);
  G().TileMap.At(1, 0) = kTileWhite;
  G().SpritePixels.At(8, 0) = 0x1;
  G().SpritePixels.At(9, 0) = 0xF;

  std::vector<unsigned char> expected = rom;
  std::fill(expected.begin() + 64, expected.begin() + 96, 0);
  expected[64] = 0x1F;

  BinaryFile file = BinaryFile::OpenForUpdate(dir.File("rom.bin"));
  EncodeTile(0, 0, file);  // empty cell: nothing
  EncodeTile(1, 0, file);
  EncodeTile(5, 5, file);  // outside: empty
  EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), expected);

  // Save ROM's form, with the list parsed once, writes the same bytes.
  test::WriteBytes(dir.File("copy.bin"), rom);
  BinaryFile copy = BinaryFile::OpenForUpdate(dir.File("copy.bin"));
  const TileLineIndex white(ParseTileList("1,0,64\r\n1,0,128"));
  for (auto [tx, ty] : {std::pair{0, 0}, {1, 0}, {5, 5}}) EncodeTile(tx, ty, white, copy);
  EXPECT_EQ(test::ReadBytes(dir.File("copy.bin")), expected);
  EXPECT_TRUE(guard.dialogs.shown.empty());
}

TEST(GraphicsEncode, WhiteCellWithoutLineShowsProcessingErrorAndWritesNothing) {
  CoreFixtureGuard guard;
  test::ScratchDir dir;
  auto rom = test::PatternBytes(64);
  test::WriteBytes(dir.File("rom.bin"), rom);
  test::InstallSpriteTable({{.Width = 1, .Height = 1, .White = "0,1,0"}});
  test::SizeSprite(1, 1);
  G().TileMap.At(0, 0) = kTileWhite;
  BinaryFile file = BinaryFile::OpenForUpdate(dir.File("rom.bin"));
  EncodeTile(0, 0, file);
  EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), rom);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Processing error!");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(guard.dialogs.shown[0].text, kProcessingErrorText);
}

TEST(GraphicsEncode, TileReachingPastTheEndIsRefusedAndTheFileKeepsItsLength) {
  CoreFixtureGuard guard;
  test::ScratchDir dir;
  auto rom = test::PatternBytes(40);
  test::WriteBytes(dir.File("rom.bin"), rom);
  test::InstallSpriteTable({{.Width = 1, .Height = 1, .White = "0,0,20"}});
  test::SizeSprite(1, 1);
  G().TileMap.At(0, 0) = kTileWhite;
  BinaryFile file = BinaryFile::OpenForUpdate(dir.File("rom.bin"));
  try {
    EncodeTile(0, 0, file);
    ADD_FAILURE();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.Number(), kErrPastEndOfFile);
    EXPECT_NE(failure.Description().find("rom.bin"), std::string::npos);
  }
  EXPECT_EQ(test::ReadBytes(dir.File("rom.bin")), rom);
}

TEST(ErrorReports, RuntimeReportShowsFourLinesAndIsSilentFor91) {
  CoreFixtureGuard guard;
  ShowRuntimeError(91, Failure(91, "Object variable not set", "kerrow"));
  EXPECT_TRUE(guard.dialogs.shown.empty());
  ShowRuntimeError(7000, Failure(7000, "Broken", "Decompression execution"));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].text,
            "Runtime Error: 7000\r\n'Broken'\r\n\r\nSource: Decompression execution");
  EXPECT_EQ(guard.dialogs.shown[0].title, "Generic Runtime Error Handler");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(guard.dialogs.shown[0].buttons, MsgButtons::Ok);
}

}  // namespace
}  // namespace kerrow
