// The documented examples of the format, in both directions.
#include <gtest/gtest.h>

#include <string>

#include "DrovenTestSupport.h"
#include "codec.h"

namespace droven {
namespace {

using test::AsBytes;
using test::Bytes;
using test::FromHex;
using test::FromText;
using test::ToHex;

struct Example {
  Bytes input;
  Mode mode;
  std::string stream;
};

std::vector<Example> Examples() {
  return {
      {FromText("abc"), Mode::Plain, "17 00 61 62 63 00 F0 00"},
      {FromText("ABABABABAB"), Mode::Plain, "2B 00 41 42 FE FE 00 F0 00"},
      {Bytes(20, 0x61), Mode::Plain, "15 00 61 FF F8 12 00 F0 00"},
      {FromText("abc"), Mode::Module, "00 03 17 00 61 62 63 00 F0 00"},
      {FromText("Q"), Mode::Plain, "05 00 51 00 F0 00"},
      // The last "abc" matches at distances 4 and 8; the nearer one is taken.
      {FromText("abcXabcYabc"), Mode::Plain, "8F 51 61 62 63 58 FC 59 FC 00 F0 00"},
      // A run longer than 256: a literal, then copies of 256 and 43 at distance 1.
      {Bytes(300, 0x61), Mode::Plain, "55 00 61 FF F8 FF FF F8 2A 00 F0 00"},
  };
}

TEST(DrovenExamples, CompressWritesTheDocumentedStreams) {
  for (const Example& example : Examples()) {
    EXPECT_EQ(ToHex(Compress(example.input, example.mode)), example.stream);
  }
}

TEST(DrovenExamples, DecompressReadsTheDocumentedStreams) {
  for (const Example& example : Examples()) {
    const Bytes stream = FromHex(example.stream);
    const DecompressResult result = Decompress(stream, example.mode);
    EXPECT_EQ(result.status, kOk) << example.stream;
    EXPECT_EQ(AsBytes(result.data), example.input) << example.stream;
    EXPECT_EQ(result.consumed, stream.size());
  }
}

// "xy", bytes in which no pair repeats, "xy" again.
Bytes PairAgainAfter(std::size_t distance) {
  Bytes input = FromText("xy");
  for (int v = 0; v < 256; ++v) {
    if (v != 'x' && v != 'y') input.push_back(static_cast<std::uint8_t>(v));
  }
  if (distance == 257) input.push_back('z');
  input.push_back('x');
  input.push_back('y');
  return input;
}

TEST(DrovenExamples, PairsRecurringOnlyFarBackStayLiterals) {
  // At distance 256 the pair is a short copy (one byte, four flag bits); at 257
  // it is two literals. Sizes: 17 flag words, the data bytes, the end marker.
  const Bytes near = PairAgainAfter(256);
  const Bytes nearStream = Compress(near, Mode::Plain);
  EXPECT_EQ(nearStream.size(), 34u + 256 + 1 + 3);
  EXPECT_EQ(nearStream[nearStream.size() - 4], 0x00);  // D = 256 - 256

  const Bytes far = PairAgainAfter(257);
  const Bytes farStream = Compress(far, Mode::Plain);
  EXPECT_EQ(farStream.size(), 34u + 259 + 3);
  EXPECT_EQ(ToHex(Bytes(farStream.end() - 5, farStream.end())), "78 79 00 F0 00");

  for (const Bytes& input : {near, far}) {
    EXPECT_EQ(AsBytes(Decompress(Compress(input, Mode::Plain), Mode::Plain).data), input);
  }
}

TEST(DrovenExamples, ModuleBoundaries) {
  Bytes exact(4096);
  for (std::size_t i = 0; i < exact.size(); ++i) exact[i] = static_cast<std::uint8_t>(i * 7 + i / 255);
  const Bytes one = Compress(exact, Mode::Module);
  EXPECT_EQ(ToHex(Bytes(one.begin(), one.begin() + 2)), "10 00");

  Bytes longer = exact;
  longer.push_back(0x5A);
  const Bytes two = Compress(longer, Mode::Module);
  EXPECT_EQ(ToHex(Bytes(two.begin(), two.begin() + 2)), "10 01");
  // The first module is unchanged; the second holds the one byte alone.
  EXPECT_TRUE(std::equal(one.begin() + 2, one.end(), two.begin() + 2));
  EXPECT_EQ(ToHex(Bytes(two.end() - 6, two.end())), "05 00 5A 00 F0 00");

  for (const Bytes& input : {exact, longer}) {
    EXPECT_EQ(AsBytes(Decompress(Compress(input, Mode::Module), Mode::Module).data), input);
  }
}

TEST(DrovenExamples, EveryModuleStartsWithALiteral) {
  // The second module repeats the end of the first, yet opens with a literal
  // and never copies across the boundary.
  const Bytes input(4096 + 10, 0x33);
  const Bytes stream = Compress(input, Mode::Module);
  EXPECT_EQ(ToHex(Bytes(stream.end() - 8, stream.end())), "15 00 33 FF FF 00 F0 00");
  EXPECT_EQ(AsBytes(Decompress(stream, Mode::Module).data), input);
}

TEST(DrovenExamples, ModuleModeLimit) {
  Bytes largest(65535);
  for (std::size_t i = 0; i < largest.size(); ++i) largest[i] = static_cast<std::uint8_t>(i ^ (i >> 9));
  const Bytes stream = Compress(largest, Mode::Module);
  EXPECT_EQ(ToHex(Bytes(stream.begin(), stream.begin() + 2)), "FF FF");
  const DecompressResult back = Decompress(stream, Mode::Module);
  EXPECT_EQ(back.status, kOk);
  EXPECT_EQ(AsBytes(back.data), largest);

  largest.push_back(0);
  EXPECT_THROW(Compress(largest, Mode::Module), std::length_error);
}

TEST(DrovenExamples, EmptySourceGivesAnEndMarker) {
  EXPECT_EQ(ToHex(Compress({}, Mode::Plain)), "02 00 00 F0 00");
  EXPECT_EQ(ToHex(Compress({}, Mode::Module)), "00 00 02 00 00 F0 00");
  for (Mode mode : {Mode::Plain, Mode::Module}) {
    const DecompressResult back = Decompress(Compress({}, mode), mode);
    EXPECT_EQ(back.status, kOk);
    EXPECT_TRUE(back.data.empty());
  }
}

TEST(DrovenExamples, OutputNeverExceedsTheStatedBound) {
  for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 4095u, 4096u, 4097u, 65535u}) {
    Bytes input(size);
    // Distinct neighbours: no match anywhere, every byte a literal.
    for (std::size_t i = 0; i < size; ++i) input[i] = static_cast<std::uint8_t>((i * 167) ^ (i >> 8) * 31);
    for (Mode mode : {Mode::Plain, Mode::Module}) {
      EXPECT_LE(Compress(input, mode).size(), MaxCompressedSize(size)) << size;
    }
  }
}

}  // namespace
}  // namespace droven
