// Streams outside the rules: the decoder stops with a documented result and
// never reads or writes outside its buffers.
#include <gtest/gtest.h>

#include <random>

#include "DrovenTestSupport.h"
#include "codec.h"

namespace droven {
namespace {

using test::AsBytes;
using test::Bytes;
using test::FromHex;
using test::FromText;

bool IsDocumented(Result r) {
  return r == kOk || r == kTruncated || r == kBadDistance || r == kOutputLimit;
}

TEST(DrovenDecoderHostile, EveryCutOfAValidStreamIsTruncated) {
  Bytes input;
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) input.push_back(static_cast<std::uint8_t>(random() % 6));
  for (Mode mode : {Mode::Plain, Mode::Module}) {
    const Bytes stream = Compress(input, mode);
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
      const DecompressResult result = Decompress({stream.data(), cut}, mode);
      ASSERT_EQ(result.status, kTruncated) << "cut at " << cut;
      ASSERT_LE(result.consumed, cut);
    }
  }
  // Module mode also runs out while skipping padding.
  EXPECT_EQ(Decompress(FromHex("00 09 17 00 61 62 63 00 F0 00 00 00"), Mode::Module).status,
            kTruncated);
}

TEST(DrovenDecoderHostile, CopiesBeforeTheStartAreRefused) {
  // A short copy first thing, a long copy 5 back after 3 bytes, a far copy into an empty module.
  EXPECT_EQ(Decompress(FromHex("00 00 FF 00 F0 00"), Mode::Plain).status, kBadDistance);
  EXPECT_EQ(Decompress(FromHex("57 00 61 62 63 FB FF 00 F0 00"), Mode::Plain).status,
            kBadDistance);
  EXPECT_EQ(Decompress(FromHex("00 03 02 00 00 00 05"), Mode::Module).status, kBadDistance);
  // Exactly as far back as there is output is fine.
  EXPECT_EQ(Decompress(FromHex("57 00 61 62 63 FD FB 00 F0 00"), Mode::Plain).status, kOk);
}

// A plain stream of `copies` long copies of 256 bytes at distance 1 after one literal.
Bytes Flood(std::size_t copies) {
  Bytes stream;
  std::size_t bits = 0;
  std::size_t slot = 0;
  stream.insert(stream.end(), {0, 0});
  // A new flag word follows the 16th bit at once, ahead of that item's bytes.
  auto bit = [&](bool set) {
    if (set) stream[slot + (bits % 16) / 8] |= static_cast<std::uint8_t>(1u << (bits % 8));
    if (++bits % 16 == 0) {
      slot = stream.size();
      stream.insert(stream.end(), {0, 0});
    }
  };
  bit(true);
  stream.push_back(0x61);
  for (std::size_t i = 0; i < copies; ++i) {
    bit(false);
    bit(true);
    stream.insert(stream.end(), {0xFF, 0xF8, 0xFF});
  }
  bit(false);
  bit(true);
  stream.insert(stream.end(), {0x00, 0xF0, 0x00});
  return stream;
}

TEST(DrovenDecoderHostile, OutputIsBounded) {
  const Bytes stream = Flood(100);
  const DecompressResult small = Decompress(stream, Mode::Plain, 1000);
  EXPECT_EQ(small.status, kOutputLimit);
  EXPECT_LE(small.data.size(), 1000u);
  EXPECT_EQ(Decompress(stream, Mode::Plain, 1 + 100 * 256).status, kOk);

  // Literals count against the bound too, also when several come in a row.
  const Bytes literals = Compress(FromText("abcdefghij"), Mode::Plain);
  const DecompressResult cut = Decompress(literals, Mode::Plain, 4);
  EXPECT_EQ(cut.status, kOutputLimit);
  EXPECT_EQ(AsBytes(cut.data), FromText("abcd"));
  EXPECT_EQ(Decompress(literals, Mode::Plain, 10).status, kOk);

  // The default bound: 64 MiB, one byte more is refused.
  const std::size_t copies = kDefaultOutputLimit / 256;
  const DecompressResult exact = Decompress(Flood(copies - 1), Mode::Plain);
  EXPECT_EQ(exact.status, kOk);
  EXPECT_EQ(exact.data.size(), kDefaultOutputLimit - 255);
  const DecompressResult over = Decompress(Flood(copies), Mode::Plain);
  EXPECT_EQ(over.status, kOutputLimit);
  EXPECT_LE(over.data.size(), kDefaultOutputLimit);
}

TEST(DrovenDecoderHostile, NoOpsAndPaddingCannotLoopForever) {
  // A long chain of no-ops without an end marker runs out of input.
  // Flag words of (0, 1) pairs, the eighth item's bytes after the next word.
  Bytes stream = {0xAA, 0xAA};
  for (int word = 0; word < 200; ++word) {
    for (int item = 0; item < 7; ++item) stream.insert(stream.end(), {0x00, 0x00, 0x01});
    stream.insert(stream.end(), {0xAA, 0xAA, 0x00, 0x00, 0x01});
  }
  EXPECT_EQ(Decompress(stream, Mode::Plain).status, kTruncated);
  // Endless padding after a module that falls short of the total.
  Bytes padded = FromHex("00 05 17 00 61 62 63 00 F0 00");
  padded.resize(padded.size() + 100000, 0x00);
  EXPECT_EQ(Decompress(padded, Mode::Module).status, kTruncated);
}

TEST(DrovenDecoderHostile, RandomStreamsEndWithADocumentedResult) {
  std::mt19937 random(2024);
  for (int round = 0; round < 3000; ++round) {
    Bytes stream(random() % 200);
    for (auto& b : stream) b = static_cast<std::uint8_t>(random());
    // Also streams that begin like real ones but go astray.
    if (round % 2 && stream.size() > 12) {
      const Bytes valid = Compress(stream, Mode::Plain);
      std::copy(valid.begin(), valid.begin() + 6, stream.begin());
    }
    for (Mode mode : {Mode::Plain, Mode::Module}) {
      const DecompressResult result = Decompress(stream, mode, 1 << 20);
      ASSERT_TRUE(IsDocumented(result.status)) << result.status;
      ASSERT_LE(result.consumed, stream.size());
      ASSERT_LE(result.data.size(), std::size_t{1} << 20);
    }
  }
}

}  // namespace
}  // namespace droven
