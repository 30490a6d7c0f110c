// The palette finder on cartridge-shaped images: real palette lines are
// ranked above code, tiles, tables and padding, and every candidate is 16
// colour words, checked here against the bytes themselves.
#include <gtest/gtest.h>

#include <set>

#include "RomShapedImage.h"
#include "workshop/PaletteFinder.h"

namespace kerrow::test {
namespace {

constexpr std::int64_t kSingle = 0x8A40;  // one line, after a zero word of padding
constexpr std::int64_t kGroup = 0xC102;   // four lines in a row, not 32-byte aligned

RomShapedImage CartridgeWithPalettes(std::size_t size = 0x80000) {
  RomShapedImage rom(size);
  rom.Code(0x200, kSingle - 2 - 0x200);
  rom.Words(kSingle - 2, {0x0000}).Words(kSingle, SamplePalette(0));
  rom.Words(kSingle + 32, {0x4E75}).Code(kSingle + 34, 0x9000 - kSingle - 34, 5);
  rom.Tiles(0x9000, 384);
  // A table of small even offsets: colour words too, but few different ones.
  rom.Words(0xC000, {0x0000, 0x0020, 0x0040, 0x0060, 0x0040, 0x0020, 0x0000, 0x0020, 0x0040,
                     0x0060, 0x0040, 0x0020, 0x0000, 0x0020, 0x0040, 0x0060, 0x0040, 0x0020});
  rom.Words(kGroup - 2, {0x4E75});
  for (int line = 0; line < 4; ++line) rom.Words(kGroup + 32 * line, SamplePalette(line));
  rom.Words(kGroup + 128, {0x4E75}).Code(kGroup + 130, 0xD000 - kGroup - 130, 9);
  rom.Fill(0xD000, 0x30000, 0x00);  // zero padding; 0xFF after it
  return rom;
}

// Independent of the finder: the words at `offset` and how many differ.
std::set<std::uint16_t> WordsAt(const std::vector<std::uint8_t>& rom, std::int64_t offset) {
  std::set<std::uint16_t> words;
  for (int i = 0; i < 16; ++i)
    words.insert(static_cast<std::uint16_t>(rom[offset + 2 * i] << 8 | rom[offset + 2 * i + 1]));
  return words;
}

bool AllColourWords(const std::vector<std::uint8_t>& rom, std::int64_t offset) {
  for (int i = 0; i < 32; i += 2)
    if ((rom[offset + i] & 0xF1) != 0 || (rom[offset + i + 1] & 0x11) != 0) return false;
  return true;
}

TEST(PaletteFinder, RanksPaletteLinesAboveCodeTilesTablesAndPadding) {
  RomShapedImage image = CartridgeWithPalettes();
  const std::vector<std::uint8_t>& rom = image.Bytes();
  const auto found = FindPalettes(rom);
  ASSERT_GE(found.size(), 5u);
  std::set<std::int64_t> best;
  for (std::size_t i = 0; i < 5; ++i) best.insert(found[i].Offset);
  EXPECT_EQ(best, (std::set<std::int64_t>{kSingle, kGroup, kGroup + 32, kGroup + 64, kGroup + 96}));

  for (const PaletteCandidate& candidate : found) {
    EXPECT_EQ(candidate.Offset % 2, 0);
    EXPECT_TRUE(AllColourWords(rom, candidate.Offset)) << std::hex << candidate.Offset;
    const auto words = WordsAt(rom, candidate.Offset);
    EXPECT_EQ(candidate.DistinctColours, static_cast<std::int32_t>(words.size()));
    EXPECT_GE(words.size(), 3u);
  }
  // Best first, and no two candidates share a byte.
  for (std::size_t i = 1; i < found.size(); ++i) EXPECT_GE(found[i - 1].Score, found[i].Score);
  std::set<std::int64_t> offsets;
  for (const PaletteCandidate& candidate : found) offsets.insert(candidate.Offset);
  for (auto it = offsets.begin(); std::next(it) != offsets.end(); ++it)
    EXPECT_GE(*std::next(it) - *it, 32) << std::hex << *it;

  // The line before the single palette, cut one word early, is not offered.
  EXPECT_EQ(offsets.count(kSingle - 2), 0u);
  EXPECT_EQ(FindPalettes(rom, 2).size(), 2u);
}

TEST(PaletteFinder, FindsALineAtTheEndOfA4MiBImageAndNothingInBlankData) {
  RomShapedImage image(4 << 20);
  image.Code(0x200, 0x10000).Tiles(0x10200, 1024).Fill(0x18200, 0x100000, 0x00);
  const std::int64_t last = (4 << 20) - 32;
  image.Words(last, SamplePalette(3));
  const auto found = FindPalettes(image.Bytes());
  ASSERT_FALSE(found.empty());
  EXPECT_EQ(found[0].Offset, last);

  EXPECT_TRUE(FindPalettes(std::vector<std::uint8_t>(0x10000, 0x00)).empty());
  EXPECT_TRUE(FindPalettes(std::vector<std::uint8_t>(0x10000, 0xFF)).empty());
  EXPECT_TRUE(FindPalettes({}).empty());
  // Two colours alternating are no palette; three different ones are.
  std::vector<std::uint8_t> words(64, 0);
  for (int i = 0; i < 32; ++i) words[2 * i + 1] = i % 2 ? 0x0E : 0x00;
  EXPECT_TRUE(FindPalettes(words).empty());
  words[5] = 0x22;
  ASSERT_EQ(FindPalettes(words).size(), 1u);
  // A line needs all 32 bytes; an odd last byte is no half word.
  std::vector<std::uint8_t> line;
  for (std::uint16_t word : SamplePalette()) line.insert(line.end(), {std::uint8_t(word >> 8), std::uint8_t(word)});
  line.push_back(0x0E);
  EXPECT_EQ(FindPalettes(line).size(), 1u);
  EXPECT_TRUE(FindPalettes(std::span(line).first(31)).empty());
}

}  // namespace
}  // namespace kerrow::test
