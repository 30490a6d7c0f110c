// The decoder's unchecked fast loop hands over to the careful one near either
// buffer's end. A plain byte-at-a-time decoder written here is the yardstick:
// every stream, cut and output bound must give the same result and bytes.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "DrovenTestSupport.h"
#include "codec.h"

namespace droven {
namespace {

using test::AsBytes;
using test::Bytes;

struct Outcome {
  Result status;
  Bytes data;
  std::size_t consumed;
};

// One item at a time, every bit and byte checked as it is taken.
Outcome SlowDecode(const Bytes& in, std::size_t limit) {
  std::size_t pos = 0;
  Bytes out;
  std::uint32_t flags = 0;
  int left = 0;
  const auto fail = [&](Result r) { return Outcome{r, out, pos}; };
  const auto word = [&] {
    if (in.size() - pos < 2) return false;
    flags = in[pos] | (in[pos + 1] << 8);
    pos += 2;
    left = 16;
    return true;
  };
  const auto bit = [&](unsigned& b) {
    b = flags & 1;
    flags >>= 1;
    return --left > 0 || word();
  };
  if (!word()) return fail(kTruncated);
  for (;;) {
    unsigned b;
    if (!bit(b)) return fail(kTruncated);
    if (b) {
      if (pos == in.size()) return fail(kTruncated);
      if (out.size() == limit) return fail(kOutputLimit);
      out.push_back(in[pos++]);
      continue;
    }
    if (!bit(b)) return fail(kTruncated);
    std::size_t length;
    std::size_t distance;
    if (b) {
      if (in.size() - pos < 2) return fail(kTruncated);
      const unsigned b1 = in[pos];
      const unsigned b2 = in[pos + 1];
      pos += 2;
      length = (b2 & 7) + 2;
      if ((b2 & 7) == 0) {
        if (pos == in.size()) return fail(kTruncated);
        const unsigned b3 = in[pos++];
        if (b3 == 0) return fail(kOk);
        if (b3 == 1) continue;
        length = b3 + 1;
      }
      distance = 8192 - (((b2 & 0xF8) << 5) | b1);
    } else {
      unsigned high;
      unsigned low;
      if (!bit(high) || !bit(low)) return fail(kTruncated);
      if (pos == in.size()) return fail(kTruncated);
      length = 2 * high + low + 2;
      distance = 256 - in[pos++];
    }
    if (distance > out.size()) return fail(kBadDistance);
    if (length > limit - out.size()) return fail(kOutputLimit);
    for (std::size_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
  }
}

// Writes items with their flag bits interleaved: a new flag word is placed the
// moment the previous one is full, also in the middle of an item.
class StreamWriter {
 public:
  StreamWriter() { NewWord(); }
  void Literal(std::uint8_t b) {
    Bit(1);
    bytes_.push_back(b);
  }
  void ShortCopy(unsigned length, unsigned distance) {
    Bit(0);
    Bit(0);
    Bit((length - 2) >> 1);
    Bit((length - 2) & 1);
    bytes_.push_back(static_cast<std::uint8_t>(256 - distance));
  }
  // length 0 writes the three-byte form's B3 as given by `b3`.
  void LongCopy(unsigned length, unsigned distance, int b3 = -1) {
    Bit(0);
    Bit(1);
    const unsigned v = 8192 - distance;
    const bool twoBytes = b3 < 0 && length <= 9;
    bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<std::uint8_t>(((v >> 5) & 0xF8) | (twoBytes ? length - 2 : 0)));
    if (!twoBytes) bytes_.push_back(static_cast<std::uint8_t>(b3 >= 0 ? b3 : length - 1));
  }
  void NoOp() { LongCopy(0, 1, 1); }
  Bytes End() {
    LongCopy(0, 8192 - 0x1E00, 0);  // 00 F0 00
    return bytes_;
  }

 private:
  void NewWord() {
    word_ = bytes_.size();
    bytes_.push_back(0);
    bytes_.push_back(0);
    used_ = 0;
  }
  void Bit(unsigned b) {
    if (b) bytes_[word_ + used_ / 8] |= static_cast<std::uint8_t>(1u << (used_ % 8));
    if (++used_ == 16) NewWord();
  }
  Bytes bytes_;
  std::size_t word_ = 0;
  unsigned used_ = 0;
};

// Shares, in percent, of literal runs, short copies and long copies; no-ops
// take the rest.
struct Mix {
  unsigned literals;
  unsigned shortCopies;
  unsigned longCopies;
};
constexpr Mix kEveryKind{45, 30, 22};
// Words of nothing but long copies, now and then broken.
constexpr Mix kMostlyLongCopies{2, 3, 94};

// Random items of every kind, with literal runs long and short so that items
// fall at every position of their flag words; now and then a copy reaches
// before the start.
Bytes RandomStream(std::mt19937& random, std::size_t items, std::size_t* produced,
                   Mix mix = kEveryKind) {
  StreamWriter writer;
  std::size_t size = 0;
  const auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  for (std::size_t i = 0; i < items; ++i) {
    const unsigned kind = pick(100);
    if (kind < mix.literals || size == 0) {
      for (unsigned run = 1 + pick(pick(4) == 0 ? 20 : 3); run > 0; --run, ++size)
        writer.Literal(static_cast<std::uint8_t>(random()));
      continue;
    }
    const bool bad = pick(2000) == 0;
    if (kind < mix.literals + mix.shortCopies) {
      const unsigned length = 2 + pick(4);
      const unsigned reach = static_cast<unsigned>(std::min<std::size_t>(size, 256));
      writer.ShortCopy(length, bad ? reach + 1 : 1 + pick(reach));
      size += length;
    } else if (kind < mix.literals + mix.shortCopies + mix.longCopies) {
      const unsigned length = pick(2) ? 3 + pick(7) : 3 + pick(254);
      const unsigned reach = static_cast<unsigned>(std::min<std::size_t>(size, 8192));
      const unsigned distance = pick(3) == 0 ? 1 + pick(std::min(reach, 16u)) : 1 + pick(reach);
      writer.LongCopy(length, bad && reach < 8192 ? reach + 1 : distance);
      size += length;
    } else {
      writer.NoOp();
    }
  }
  *produced = size;
  return writer.End();
}

// Both fast loops, where the processor runs the one with bit instructions.
void ExpectSame(const Bytes& stream, std::size_t limit, const char* what, std::size_t at) {
  const Outcome expected = SlowDecode(stream, limit);
  for (const bool anyProcessor : {false, true}) {
    const DecompressResult got = anyProcessor
                                     ? detail::DecompressForAnyProcessor(stream, Mode::Plain, limit)
                                     : Decompress(stream, Mode::Plain, limit);
    ASSERT_EQ(got.status, expected.status) << what << " " << at << " " << anyProcessor;
    ASSERT_EQ(AsBytes(got.data), expected.data) << what << " " << at << " " << anyProcessor;
    if (expected.status == kOk) {
      ASSERT_EQ(got.consumed, expected.consumed) << what << " " << at << " " << anyProcessor;
    }
  }
}

TEST(DrovenDecoderFastPath, RandomStreamsMatchTheSlowDecoder) {
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    std::size_t produced;
    const Bytes stream = RandomStream(random, 50 + random() % 3000, &produced);
    ExpectSame(stream, kDefaultOutputLimit, "round", round);
  }
}

TEST(DrovenDecoderFastPath, EveryCutNearTheEndMatches) {
  std::mt19937 random(12);
  for (int round = 0; round < 8; ++round) {
    std::size_t produced;
    const Bytes stream = RandomStream(random, 2000, &produced);
    // Cuts across the last stretch, where the fast loop must hand over.
    for (std::size_t keep = stream.size() > 200 ? stream.size() - 200 : 0; keep < stream.size();
         ++keep) {
      ExpectSame(Bytes(stream.begin(), stream.begin() + keep), kDefaultOutputLimit, "cut", keep);
    }
  }
}

TEST(DrovenDecoderFastPath, EveryOutputBoundNearTheEndMatches) {
  std::mt19937 random(13);
  for (int round = 0; round < 3; ++round) {
    std::size_t produced;
    const Bytes stream = RandomStream(random, 3000, &produced);
    // Also bounds far from the end: the buffer grows towards them in steps.
    for (std::size_t limit : {std::size_t{0}, std::size_t{1}, std::size_t{300}, produced / 2})
      ExpectSame(stream, limit, "limit", limit);
    for (std::size_t limit = produced > 300 ? produced - 300 : 0; limit <= produced + 2; ++limit)
      ExpectSame(stream, limit, "limit", limit);
  }
}

TEST(DrovenDecoderFastPath, StreamsOfLongCopiesMatchWhereverTheyBreakOrEnd) {
  // Words of long copies are taken by a loop of their own, which must give
  // way to every other item, to the end marker, to a no-op and to a copy
  // reaching before the start, and hand over near either buffer's end.
  std::mt19937 random(15);
  for (int round = 0; round < 40; ++round) {
    std::size_t produced;
    const Bytes stream = RandomStream(random, 200 + random() % 4000, &produced, kMostlyLongCopies);
    ExpectSame(stream, kDefaultOutputLimit, "round", round);
    // Bytes after the end marker, so that the marker is met by the fast loops.
    Bytes followed = stream;
    for (int k = 0; k < 64; ++k) followed.push_back(static_cast<std::uint8_t>(random()));
    ExpectSame(followed, kDefaultOutputLimit, "followed", round);
    if (round % 8 != 0) continue;
    for (std::size_t keep = stream.size() > 120 ? stream.size() - 120 : 0; keep < stream.size();
         ++keep) {
      ExpectSame(Bytes(stream.begin(), stream.begin() + keep), kDefaultOutputLimit, "cut", keep);
    }
    for (std::size_t limit = produced > 600 ? produced - 600 : 0; limit <= produced; limit += 3)
      ExpectSame(stream, limit, "limit", limit);
  }
}

TEST(DrovenDecoderFastPath, LongLiteralRunsAndWideCopiesAcrossFlagWords) {
  // Runs of 15, 16 and 17 literals end on, at and past a word's last bit;
  // copies of every period up to 17 and lengths around the copy steps.
  StreamWriter writer;
  std::size_t size = 0;
  for (unsigned run : {15u, 16u, 17u, 31u, 1u, 47u}) {
    for (unsigned k = 0; k < run; ++k, ++size) writer.Literal(static_cast<std::uint8_t>(size * 7));
  }
  for (unsigned distance = 1; distance <= 17; ++distance) {
    for (unsigned length : {3u, 8u, 9u, 15u, 16u, 17u, 33u, 256u}) {
      writer.LongCopy(length, distance);
      writer.ShortCopy(2 + (length & 3), distance);
      size += length + 2 + (length & 3);
    }
  }
  const Bytes stream = writer.End();
  const Outcome expected = SlowDecode(stream, kDefaultOutputLimit);
  ASSERT_EQ(expected.status, kOk);
  ASSERT_EQ(expected.data.size(), size);
  ExpectSame(stream, kDefaultOutputLimit, "whole", 0);
}

TEST(DrovenDecoderFastPath, EveryCopyShapeAtEveryFlagBitPosition) {
  // Copies of both kinds, with the periods and lengths around each way of
  // copying (short periods, 8, 16 and 32 bytes at a time), each preceded by
  // 0 to 15 literals so that its flag bits start at every bit of a word and
  // some reach into the next word.
  std::mt19937 random(14);
  StreamWriter writer;
  for (int k = 0; k < 8200; ++k) writer.Literal(static_cast<std::uint8_t>(random()));
  const unsigned distances[] = {1,  2,  3,  4,  5,  6,  7,  8,   9,   15,  16,
                                17, 31, 32, 33, 63, 64, 65, 255, 256, 300, 8192};
  const unsigned longLengths[] = {3, 4, 5, 6, 7, 8, 9, 10, 15, 16, 17, 31, 32, 33, 63, 64, 65, 256};
  std::size_t copies = 0;
  for (unsigned lead = 0; lead < 16; ++lead) {
    for (const unsigned distance : distances) {
      for (unsigned k = 0; k < lead; ++k) writer.Literal(static_cast<std::uint8_t>(random()));
      if (distance <= 256) {
        for (unsigned length = 2; length <= 5; ++length, ++copies)
          writer.ShortCopy(length, distance);
      }
      for (const unsigned length : longLengths) {
        writer.LongCopy(length, distance);
        // The same copy in the three-byte form, which any length may take.
        writer.LongCopy(length, distance, static_cast<int>(length - 1));
        copies += 2;
      }
      writer.NoOp();
    }
  }
  const Bytes stream = writer.End();
  const Outcome expected = SlowDecode(stream, kDefaultOutputLimit);
  ASSERT_EQ(expected.status, kOk);
  ASSERT_GT(copies, 6000u);
  ExpectSame(stream, kDefaultOutputLimit, "shapes", 0);
}

// A copy from 1 to 7 back repeats the bytes before it; with fewer than 8 bytes
// written so far they are read one by one, since nothing past the output is.
TEST(DrovenDecoderFastPath, ShortPeriodsRightAfterTheFirstBytes) {
  std::mt19937 random(21);
  for (unsigned distance = 1; distance <= 7; ++distance) {
    for (unsigned written = distance; written <= 9; ++written) {
      for (const unsigned length : {2u, 5u, 9u, 16u, 17u, 33u, 256u}) {
        StreamWriter writer;
        for (unsigned k = 0; k < written; ++k) writer.Literal(static_cast<std::uint8_t>(random()));
        if (length <= 5) {
          writer.ShortCopy(length, distance);
        } else {
          writer.LongCopy(length, distance);
        }
        // A second copy reads the first copy's bytes back.
        writer.LongCopy(40, distance);
        const Bytes stream = writer.End();
        ASSERT_EQ(SlowDecode(stream, kDefaultOutputLimit).status, kOk);
        ExpectSame(stream, kDefaultOutputLimit, "period", distance * 100 + written);
      }
    }
  }
}

TEST(DrovenDecoderFastPath, OutputHoldsLittleMoreMemoryThanItsBytes) {
  // Padding gives about 80 bytes for every byte of stream: its buffer is sized
  // for the whole run once it is under way.
  for (const unsigned copies : {10u, 1000u, 8000u}) {
    StreamWriter writer;
    writer.Literal(0xFF);
    for (unsigned k = 0; k < copies; ++k) writer.LongCopy(256, 1);
    const DecompressResult run = Decompress(writer.End(), Mode::Plain);
    ASSERT_EQ(run.status, kOk);
    ASSERT_EQ(AsBytes(run.data), Bytes(1 + 256 * std::size_t{copies}, 0xFF)) << copies;
    EXPECT_LE(run.data.capacity(), run.data.size() + run.data.size() / 4 + (80u << 10)) << copies;
  }
  // 4 MiB of padding, then literals: the padding foretold far more output
  // than came, and the result does not keep the difference.
  std::mt19937 random(17);
  StreamWriter writer;
  Bytes expected(1 + 256 * std::size_t{16000}, 0);
  writer.Literal(0);
  for (unsigned k = 0; k < 16000; ++k) writer.LongCopy(256, 1);
  for (unsigned k = 0; k < 100000; ++k) {
    expected.push_back(static_cast<std::uint8_t>(random()));
    writer.Literal(expected.back());
  }
  const DecompressResult mixed = Decompress(writer.End(), Mode::Plain);
  ASSERT_EQ(mixed.status, kOk);
  ASSERT_EQ(AsBytes(mixed.data), expected);
  EXPECT_LE(mixed.data.capacity(), 2 * mixed.data.size() + (1u << 20));
}

// The decoder takes the loop with bit instructions exactly where the
// processor lists BMI1, BMI2 and LZCNT ("abm") among its flags.
TEST(DrovenDecoderFastPath, BitInstructionsAreUsedWhereTheProcessorHasThem) {
#if !defined(__x86_64__)
  EXPECT_FALSE(detail::DecoderUsesBitInstructions());
#else
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line) && line.rfind("flags", 0) != 0) {
  }
  if (line.empty()) GTEST_SKIP() << "no /proc/cpuinfo flags";
  const auto has = [&](const std::string& flag) {
    return (line + " ").find(" " + flag + " ") != std::string::npos;
  };
  EXPECT_EQ(detail::DecoderUsesBitInstructions(), has("bmi1") && has("bmi2") && has("abm"))
      << line;
#endif
}

}  // namespace
}  // namespace droven
