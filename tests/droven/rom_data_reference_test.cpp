// The compressor against the exhaustive encoder on cartridge-like data (code,
// sprite tiles, palettes, text and long zero or 0xFF padding), on stretches of
// whole images and on sprite-sized pieces compressed one call each, the way the
// editor compresses one sprite at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>
#include <string>

#include "DrovenTestSupport.h"
#include "codec.h"
#include "exhaustive_encoder.h"
#include "rom_image.h"

namespace droven {
namespace {

using test::Bytes;

constexpr std::size_t kImageSize = 256 * 1024;

void ExpectSameAsReference(std::span<const std::uint8_t> input, Mode mode, const std::string& label) {
  const Bytes fast = Compress(input, mode);
  const Bytes reference = reference::Encode(input, mode == Mode::Module);
  if (fast != reference) {
    const auto diff = std::mismatch(fast.begin(), fast.end(), reference.begin(), reference.end());
    FAIL() << label << ", " << input.size() << " bytes: streams differ at " << (diff.first - fast.begin());
  }
  for (const DecompressResult& back :
       {Decompress(fast, mode), detail::DecompressForAnyProcessor(fast, mode)}) {
    ASSERT_EQ(back.status, kOk) << label;
    ASSERT_TRUE(std::ranges::equal(back.data, input)) << label;
  }
}

// The first byte from which the image is padding to its end.
std::size_t PaddingStart(const Bytes& image) {
  std::size_t at = image.size();
  while (at > 0 && image[at - 1] == image.back()) --at;
  return at;
}

TEST(DrovenRomData, StretchesOfWholeImagesInBothModes) {
  constexpr std::size_t kStretch = 40000;
  for (const bench::RomLayout& layout : bench::RomLayouts()) {
    const Bytes image = bench::RomImage(layout, kImageSize);
    // The header and the first code; the middle; across the start of the
    // padding, where long runs follow mixed data.
    const std::size_t padding = PaddingStart(image);
    ASSERT_LT(padding, image.size() - 8192) << layout.name << ": the image ends without padding";
    for (const std::size_t at : {std::size_t{0}, kImageSize / 3, padding - kStretch / 2}) {
      const auto stretch = std::span(image).subspan(at, std::min(kStretch, image.size() - at));
      const std::string label = layout.name + " at " + std::to_string(at);
      ExpectSameAsReference(stretch, Mode::Plain, label);
      ExpectSameAsReference(stretch, Mode::Module, label + " (module)");
    }
  }
  const Bytes sprites = bench::SpriteSheet(31, kStretch);
  ExpectSameAsReference(sprites, Mode::Plain, "sprite sheet");
}

// One call per piece and many calls in a row: each call starts from tables of
// its own size and clears only the two-byte entries of its own pairs, so every
// piece must come out as if compressed alone.
TEST(DrovenRomData, SpriteSizedPiecesOneCallEach) {
  std::mt19937 random(41);
  for (const bench::RomLayout& layout : bench::RomLayouts()) {
    const Bytes image = bench::RomImage(layout, kImageSize);
    for (std::size_t at = 0; at < image.size(); at += 2048) {
      ExpectSameAsReference(std::span(image).subspan(at, 2048), Mode::Plain,
                            layout.name + " piece at " + std::to_string(at));
    }
    // Pieces of every size up to a few sprites, from anywhere in the image.
    for (int i = 0; i < 60; ++i) {
      const std::size_t size = 1 + random() % 6000;
      const std::size_t at = random() % (image.size() - size);
      const Mode mode = i % 3 == 0 ? Mode::Module : Mode::Plain;
      ExpectSameAsReference(std::span(image).subspan(at, size), mode,
                            layout.name + " " + std::to_string(size) + " bytes at " + std::to_string(at));
    }
  }
}

// A small input clears only the two-byte entries of its own pairs, skipping
// those a run or a two-byte period repeats; the memory it gets may hold what an
// earlier call wrote there. Each input below follows a call that filled the
// table, and breaks a run or a period at every position in turn, at every
// size around the eight-byte steps of that clearing.
TEST(DrovenRomData, SmallInputsSeeOnlyTheirOwnPairs) {
  std::mt19937 random(7);
  Bytes noise(16383);
  for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>(random());
  const Bytes patterns[] = {Bytes(2, 0x11), Bytes{0x12, 0x34}, Bytes{0x00, 0xFF, 0x00}};
  for (const Bytes& pattern : patterns) {
    for (std::size_t size = 2; size <= 40; ++size) {
      for (std::size_t broken = 0; broken <= size; ++broken) {
        Bytes input(size);
        for (std::size_t i = 0; i < size; ++i) input[i] = pattern[i % pattern.size()];
        if (broken < size) input[broken] = 0x5A;
        (void)Compress(noise, Mode::Plain);
        ExpectSameAsReference(input, broken % 2 == 0 ? Mode::Plain : Mode::Module,
                              std::to_string(size) + " bytes broken at " + std::to_string(broken));
      }
    }
  }
}

// Sizes at the edges of the window and of the small-input path, where the
// tables change size or the two-byte table is cleared differently.
TEST(DrovenRomData, SizesAtTheTableLimits) {
  const Bytes image = bench::RomImage(bench::RomLayouts().front(), kImageSize);
  for (const std::size_t size : {std::size_t{8191}, std::size_t{8192}, std::size_t{8193},
                                 std::size_t{16383}, std::size_t{16384}, std::size_t{16385}}) {
    for (const std::size_t at : {std::size_t{0}, kImageSize / 2}) {
      const auto piece = std::span(image).subspan(at, size);
      const std::string label = std::to_string(size) + " bytes at " + std::to_string(at);
      ExpectSameAsReference(piece, Mode::Plain, label);
      ExpectSameAsReference(piece, Mode::Module, label + " (module)");
    }
  }
  // Up to 65535 bytes the chains hold 16-bit positions, beyond that 32-bit ones,
  // which must not wrap where 16 bits would.
  for (const std::size_t size : {std::size_t{65535}, std::size_t{65536}, std::size_t{100000}}) {
    const auto piece = std::span(image).subspan(kImageSize - size, size);
    ExpectSameAsReference(piece, Mode::Plain, std::to_string(size) + " bytes");
  }
  ExpectSameAsReference(std::span(image).first(65535), Mode::Module, "65535 bytes (module)");
}

TEST(DrovenRomData, PaddingAndRunsAlone) {
  for (const std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{257}, std::size_t{2048},
                                   std::size_t{4097}, std::size_t{20000}}) {
      const Bytes run(size, fill);
      const std::string label = std::to_string(size) + " bytes " + std::to_string(fill);
      ExpectSameAsReference(run, Mode::Plain, label);
      ExpectSameAsReference(run, Mode::Module, label + " (module)");
    }
  }
  // Short periods whose phase breaks now and then, and a run that turns into a
  // period two and back: the positions a run leaves out must not be missed
  // when the data stops repeating.
  Bytes mixed;
  for (int k = 0; mixed.size() < 30000; ++k) {
    const std::size_t period = 1 + k % 5;
    for (std::size_t i = 0; i < 300 + 97 * static_cast<std::size_t>(k % 7); ++i) mixed.push_back(static_cast<std::uint8_t>(i % period * 17));
    mixed.push_back(static_cast<std::uint8_t>(k));
  }
  ExpectSameAsReference(mixed, Mode::Plain, "broken periods");
  ExpectSameAsReference(std::span(mixed).first(kModuleModeLimit / 3), Mode::Module, "broken periods (module)");
}

}  // namespace
}  // namespace droven
