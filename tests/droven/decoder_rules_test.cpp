// Streams built by hand for the decoder's rules, including forms the encoder
// never writes (no-ops, padding, references into an earlier module).
#include <gtest/gtest.h>

#include "DrovenTestSupport.h"
#include "codec.h"

namespace droven {
namespace {

using test::AsBytes;
using test::Bytes;
using test::FromHex;
using test::FromText;

std::string Text(const DecompressResult& result) {
  return std::string(result.data.begin(), result.data.end());
}

TEST(DrovenDecoderRules, FlagWordIsReadTheMomentItsLastBitIsUsed) {
  // Bit 15 is a literal: the next flag word sits before that literal's byte.
  const DecompressResult literal =
      Decompress(FromHex("FF FF 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 02 00 70 00 F0 00"),
                 Mode::Plain);
  EXPECT_EQ(literal.status, kOk);
  EXPECT_EQ(Text(literal), "abcdefghijklmnop");

  // A short copy whose first two bits end one word and whose length bits start the next.
  const DecompressResult shortCopy =
      Decompress(FromHex("FF 3F 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 08 00 F2 00 F0 00"),
                 Mode::Plain);
  EXPECT_EQ(shortCopy.status, kOk);
  EXPECT_EQ(Text(shortCopy), "abcdefghijklmnab");

  // A long copy split between its two flag bits.
  const DecompressResult longCopy = Decompress(
      FromHex("FF 7F 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 05 00 F1 F9 00 F0 00"),
      Mode::Plain);
  EXPECT_EQ(longCopy.status, kOk);
  EXPECT_EQ(Text(longCopy), "abcdefghijklmnoabc");
}

TEST(DrovenDecoderRules, EndMarkerOnBit15NeedsTheFollowingWord) {
  const Bytes stream = FromHex("FF BF 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 00 00 00 F0 00");
  const DecompressResult result = Decompress(stream, Mode::Plain);
  EXPECT_EQ(result.status, kOk);
  EXPECT_EQ(Text(result), "abcdefghijklmn");
  // The encoder writes that unused word too.
  EXPECT_EQ(Compress(FromText("abcdefghijklmn"), Mode::Plain), stream);

  // Without it the marker's bytes are taken for the flag word and the stream runs out.
  const Bytes cut = FromHex("FF BF 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 00 F0 00");
  EXPECT_EQ(Decompress(cut, Mode::Plain).status, kTruncated);
}

TEST(DrovenDecoderRules, CopyExtremes) {
  // Length 256 at distance 1.
  const DecompressResult run = Decompress(FromHex("15 00 61 FF F8 FF 00 F0 00"), Mode::Plain);
  EXPECT_EQ(run.status, kOk);
  EXPECT_EQ(AsBytes(run.data), Bytes(257, 0x61));

  // A short copy with D = 00 reaches back exactly 256 bytes.
  // 256 literals, each flag word read right after its 16th bit; the 17th word
  // holds the copy (0, 0, 0, 0) and the end marker (0, 1).
  Bytes stream = {0xFF, 0xFF};
  Bytes expected;
  for (int i = 0; i < 256; ++i) {
    if (i % 16 == 15) {
      const Bytes next = i == 255 ? Bytes{0x20, 0x00} : Bytes{0xFF, 0xFF};
      stream.insert(stream.end(), next.begin(), next.end());
    }
    stream.push_back(static_cast<std::uint8_t>(i));
    expected.push_back(static_cast<std::uint8_t>(i));
  }
  const Bytes tail = FromHex("00 00 F0 00");
  stream.insert(stream.end(), tail.begin(), tail.end());
  expected.push_back(0x00);
  expected.push_back(0x01);
  const DecompressResult far = Decompress(stream, Mode::Plain);
  EXPECT_EQ(far.status, kOk);
  EXPECT_EQ(AsBytes(far.data), expected);
}

TEST(DrovenDecoderRules, NoOpConsumesItsThreeBytesOnly) {
  const DecompressResult result =
      Decompress(FromHex("2D 00 61 AB C8 01 62 00 F0 00"), Mode::Plain);
  EXPECT_EQ(result.status, kOk);
  EXPECT_EQ(Text(result), "ab");
}

TEST(DrovenDecoderRules, PlainStreamEndsAtItsMarker) {
  const Bytes stream = FromHex("17 00 61 62 63 00 F0 00 FF FF 12");
  const DecompressResult result = Decompress(stream, Mode::Plain);
  EXPECT_EQ(result.status, kOk);
  EXPECT_EQ(Text(result), "abc");
  EXPECT_EQ(result.consumed, 8u);
}

TEST(DrovenDecoderRules, ModulesWithPaddingAndBackReferences) {
  // Zero bytes between modules are skipped.
  const DecompressResult padded = Decompress(
      FromHex("00 04 0B 00 61 62 00 F0 00 00 00 00 0B 00 63 64 00 F0 00"), Mode::Module);
  EXPECT_EQ(padded.status, kOk);
  EXPECT_EQ(Text(padded), "abcd");

  // The second module copies "ab" out of the first.
  const DecompressResult reference =
      Decompress(FromHex("00 05 17 00 61 62 63 00 F0 00 20 00 FD 00 F0 00"), Mode::Module);
  EXPECT_EQ(reference.status, kOk);
  EXPECT_EQ(Text(reference), "abcab");
}

TEST(DrovenDecoderRules, ModuleStreamStopsOnceTheTotalIsReached) {
  // Whatever follows the module that reaches the total is not read.
  const Bytes stream = FromHex("00 03 17 00 61 62 63 00 F0 00 FF FF FF");
  const DecompressResult exact = Decompress(stream, Mode::Module);
  EXPECT_EQ(exact.status, kOk);
  EXPECT_EQ(Text(exact), "abc");
  EXPECT_EQ(exact.consumed, 10u);

  // A module that passes the total also ends the stream; its bytes are kept.
  const DecompressResult passed =
      Decompress(FromHex("00 02 17 00 61 62 63 00 F0 00 0B 00 63 64 00 F0 00"), Mode::Module);
  EXPECT_EQ(passed.status, kOk);
  EXPECT_EQ(Text(passed), "abc");

  // Short of the total, the next module is read.
  const DecompressResult more =
      Decompress(FromHex("00 05 17 00 61 62 63 00 F0 00 0B 00 63 64 00 F0 00"), Mode::Module);
  EXPECT_EQ(more.status, kOk);
  EXPECT_EQ(Text(more), "abccd");
}

}  // namespace
}  // namespace droven
