// Each match finder against a search over every candidate, at every position it
// is asked about: stepping one byte at a time and jumping like the encoder does,
// in plain buffers and in modules, on data that drives the tree, the chains and
// the switch between them into their special cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "codec_match_finder.h"
#include "codec_quick_finder.h"
#include "codec_small_finder.h"
#include "exhaustive_encoder.h"

namespace droven::detail {
namespace {

using Bytes = std::vector<std::uint8_t>;

Match Exhaustive(const Bytes& data, std::size_t p, std::size_t start, std::size_t end) {
  const reference::LongestMatch found = reference::FindLongest(data, p, start, end);
  return {found.length, found.distance};
}

// Walks each module of `data` (modules of `moduleSize` bytes, 0 for one module),
// asking at every position (jump = false) or advancing by the match found (jump = true).
template <typename Finder>
void ExpectExact(Finder& finder, const Bytes& data, std::size_t moduleSize, bool jump,
                 const std::string& label) {
  const std::size_t step = moduleSize == 0 ? std::max<std::size_t>(data.size(), 1) : moduleSize;
  for (std::size_t start = 0; start < data.size(); start += step) {
    const std::size_t end = std::min(data.size(), start + step);
    for (std::size_t p = start + 1; p < end;) {
      const Match found = finder.Find(p, start, end);
      const Match expected = Exhaustive(data, p, start, end);
      ASSERT_EQ(found.length, expected.length) << label << " at " << p;
      if (expected.length != 0) {
        ASSERT_EQ(found.distance, expected.distance) << label << " at " << p;
      }
      p += jump ? std::max<std::size_t>(found.length, 1) : 1;
    }
  }
}

// Walks each module (modules of `moduleSize` bytes, 0 for one) as the encoder
// does, asking for the next copy each time: every position skipped must be a
// literal, and the copy the exhaustive one.
template <typename Finder>
void ExpectExactCopies(Finder& finder, const Bytes& data, const std::string& label,
                       std::size_t moduleSize = 0) {
  const std::size_t step = moduleSize == 0 ? std::max<std::size_t>(data.size(), 1) : moduleSize;
  for (std::size_t start = 0; start < data.size(); start += step) {
    const std::size_t end = std::min(data.size(), start + step);
    for (std::size_t p = start + 1; p < end;) {
      const NextCopy next = finder.FindNextCopy(p, start, end);
      ASSERT_LE(next.position, end) << label;
      for (; p < next.position; ++p) {
        ASSERT_FALSE(IsCopy(Exhaustive(data, p, start, end))) << label << ": copy missed at " << p;
      }
      if (p == end) break;
      const Match expected = Exhaustive(data, p, start, end);
      ASSERT_EQ(next.match.length, expected.length) << label << " at " << p;
      ASSERT_EQ(next.match.distance, expected.distance) << label << " at " << p;
      p += next.match.length;
    }
  }
}

template <typename Finder>
void ExpectExact(const Bytes& data, std::size_t moduleSize, bool jump, const std::string& label) {
  Finder finder(data);
  ExpectExact(finder, data, moduleSize, jump, label);
}

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  std::size_t Below(std::size_t n) { return random_() % n; }

  // Pieces of the kinds that stress the finders, with repeats from anywhere behind.
  Bytes Mixed(std::size_t size) {
    Bytes data;
    while (data.size() < size) {
      const std::size_t length = 1 + Below(700);
      switch (Below(7)) {
        case 0:  // small alphabet
          for (std::size_t i = 0; i < length; ++i)
            data.push_back(static_cast<std::uint8_t>(Below(2)));
          break;
        case 1:  // run
          data.insert(data.end(), length, static_cast<std::uint8_t>(Below(3)));
          break;
        case 2: {  // short period, then a breaking byte
          const std::size_t period = 1 + Below(5);
          for (std::size_t i = 0; i < length; ++i) {
            data.push_back(i < period || data.size() < period ? static_cast<std::uint8_t>(Below(4))
                                                              : data[data.size() - period]);
          }
          data.push_back(static_cast<std::uint8_t>(random_()));
          break;
        }
        case 3:  // runs of zeros closed by a counter
          for (std::size_t i = 0; i < length / 40 + 1; ++i) {
            data.insert(data.end(), 30 + Below(230), 0);
            data.push_back(static_cast<std::uint8_t>(++counter_));
          }
          break;
        case 4:  // repeat of earlier data, with rare changes
          if (data.empty()) break;
          for (std::size_t i = 0, from = Below(data.size()); i < length; ++i) {
            data.push_back(Below(60) == 0 ? static_cast<std::uint8_t>(random_()) : data[from + i]);
          }
          break;
        default:
          for (std::size_t i = 0; i < length; ++i)
            data.push_back(static_cast<std::uint8_t>(random_()));
      }
    }
    data.resize(size);
    return data;
  }

 private:
  std::mt19937 random_;
  std::uint8_t counter_ = 0;
};

template <typename Finder>
void ExpectExactOnGeneratedInputs(unsigned seed) {
  Generator in(seed);
  for (int i = 0; i < 60; ++i) {
    const Bytes data = in.Mixed(1 + in.Below(3000));
    ExpectExact<Finder>(data, 0, i % 2 == 1, "small/" + std::to_string(i));
    ExpectExact<Finder>(data, 1 + in.Below(600), i % 2 == 0, "modules/" + std::to_string(i));
  }
  // Beyond the window, so that old positions leave it while others are reused.
  for (int i = 0; i < 3; ++i) {
    const Bytes data = in.Mixed(20000 + in.Below(6000));
    ExpectExact<Finder>(data, 0, i != 0, "large/" + std::to_string(i));
  }
  ExpectExact<Finder>(in.Mixed(9000), 4096, true, "module size 4096");
}

TEST(DrovenMatchFinder, TreeIsExactEverywhere) {
  ExpectExactOnGeneratedInputs<TreeFinder>(11);
}

TEST(DrovenMatchFinder, ChainsAreExactEverywhere) {
  ExpectExactOnGeneratedInputs<ChainFinder>(12);
}

TEST(DrovenMatchFinder, QuickChainsAreExactEverywhere) {
  ExpectExactOnGeneratedInputs<QuickFinder>(14);
  ExpectExactOnGeneratedInputs<SmallQuickFinder>(14);
}

// Tiles of 32 bytes from a few motifs over a few palette indices, copied with
// rare changes: many earlier positions match equally far, and the nearest counts.
Bytes TileLike(std::mt19937& random, std::size_t size, std::size_t motifs, unsigned colours,
               unsigned changeOneIn) {
  std::vector<Bytes> set(motifs, Bytes(32));
  auto pixelPair = [&] {
    return static_cast<std::uint8_t>((random() % colours) << 4 | (random() % colours));
  };
  for (Bytes& motif : set) std::generate(motif.begin(), motif.end(), pixelPair);
  Bytes data;
  while (data.size() < size) {
    const Bytes& motif = set[random() % motifs];
    for (std::uint8_t b : motif) data.push_back(random() % changeOneIn == 0 ? pixelPair() : b);
  }
  data.resize(size);
  return data;
}

TEST(DrovenMatchFinder, EveryFinderIsExactOnTileLikeData) {
  std::mt19937 random(15);
  const struct {
    std::size_t motifs;
    unsigned colours, changeOneIn;
  } shapes[] = {{8, 4, 16}, {2, 2, 64}, {64, 2, 8}, {16, 16, 12}, {4, 3, 1u << 30}};
  for (const auto& shape : shapes) {
    const Bytes data = TileLike(random, 12000, shape.motifs, shape.colours, shape.changeOneIn);
    const std::string label = "tiles " + std::to_string(shape.motifs) + "/" +
                              std::to_string(shape.colours) + "/" +
                              std::to_string(shape.changeOneIn);
    ExpectExact<QuickFinder>(data, 0, true, label);
    ExpectExact<QuickFinder>(data, 4096, false, label + " in modules");
    ExpectExact<SmallQuickFinder>(data, 0, true, label);
    ExpectExact<TreeFinder>(data, 0, true, label);
    ExpectExact<MatchFinder>(data, 0, true, label);
  }
}

// Runs of a few values (or, with `period` 2, stretches of two values taking
// turns, starting with either), mostly short, some long enough to become copies
// that repeat their period (whose inner positions the quick chains leave out),
// each closed by a byte of its own: a search that opens with a run meets
// earlier runs longer than its own, shorter and exactly as long, in either
// phase, some cut off by the module's start or the window, and runs with
// positions left out.
Bytes Runs(std::mt19937& random, std::size_t size, std::size_t period = 1) {
  Bytes data;
  while (data.size() < size) {
    // Long runs come in a few lengths, so that equally long ones recur.
    const std::size_t length =
        random() % 5 == 0 ? 40 + 70 * (random() % 8) + random() % 2 : 1 + random() % 40;
    const auto first = static_cast<std::uint8_t>(random() % 3);
    const auto second = period == 1 ? first : static_cast<std::uint8_t>((first + 1) % 3);
    const bool swap = period == 2 && random() % 2 == 0;
    for (std::size_t k = 0; k < length; ++k) data.push_back((k % 2 == 0) != swap ? first : second);
    data.push_back(static_cast<std::uint8_t>(3 + random() % 3));
  }
  data.resize(size);
  return data;
}

TEST(DrovenMatchFinder, QuickChainsJumpThroughRunsExactly) {
  std::mt19937 random(21);
  for (int i = 0; i < 24; ++i) {
    const std::size_t period = i < 12 ? 1 : 2;
    const Bytes data = Runs(random, i % 12 < 10 ? 800 + random() % 3000 : 20000, period);
    const std::string label = "period " + std::to_string(period) + " runs " + std::to_string(i);
    ExpectExact<SmallQuickFinder>(data, 0, i % 2 == 0, label);
    ExpectExact<QuickFinder>(data, 1 + random() % 900, i % 2 == 1, label + " in modules");
    SmallQuickFinder small(data);
    ExpectExactCopies(small, data, label + ", next copy");
    QuickFinder quick(data, 0, PTRDIFF_MAX, 4096);
    ExpectExactCopies(quick, data, label + ", next copy in modules", 4096);
  }
}

// After a copy through a run or a two-byte period, the next search takes the
// match from what the scan for positions to leave out found, when the data
// goes on repeating for a whole match length. Runs and periods that stop just
// short of that, exactly there or just past it, then go on in the other phase
// or turn into a run of one of their bytes, must still give the exhaustive
// search's match everywhere, also where a module ends inside them.
TEST(DrovenMatchFinder, RepeatsEndingAroundAWholeMatchLength) {
  for (const std::size_t period : {1, 2}) {
    for (const std::size_t length : {250, 255, 256, 257, 258, 262, 511, 512, 513, 514}) {
      Bytes data;
      const auto repeat = [&](std::uint8_t a, std::uint8_t b, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) data.push_back(i % 2 == 0 || period == 1 ? a : b);
      };
      data.push_back(0x11);
      repeat(0x41, 0x42, length);
      data.push_back(0x58);
      repeat(0x42, 0x41, length + 3);  // the other phase
      repeat(0x42, 0x42, length / 2);  // a run of one of the bytes
      data.push_back(0x59);
      repeat(0x41, 0x42, 2 * length);
      const std::string label =
          "period " + std::to_string(period) + ", length " + std::to_string(length);
      ExpectExact<SmallQuickFinder>(data, 0, true, label);
      ExpectExact<QuickFinder>(data, 700, true, label + " in modules");
      SmallQuickFinder small(data);
      ExpectExactCopies(small, data, label + ", next copy");
      QuickFinder quick(data, 0, PTRDIFF_MAX, 700);
      ExpectExactCopies(quick, data, label + ", next copy in modules", 700);
    }
  }
}

// A long run whose inner positions are left out, then, just over a window
// later, runs of the same byte: their searches reach the old run where the
// window's edge cuts it, at positions never entered, whose chain slots hold
// nothing written. The walk must not jump there; the memory checker
// (droven_small_inputs_memcheck) sees any read of such a slot.
TEST(DrovenMatchFinder, RunJumpsStayOnEnteredPositions) {
  Bytes data(600, 0);
  data.push_back(1);
  for (std::size_t i = 0; data.size() < kWindow + 40; ++i) {
    data.push_back(static_cast<std::uint8_t>(1 + i * 37 % 251));
  }
  for (std::uint8_t block = 0; block < 14; ++block) {
    data.insert(data.end(), 30, 0);
    for (std::uint8_t k = 0; k < 6; ++k) {
      data.push_back(static_cast<std::uint8_t>(2 + block * 7 + k));
    }
  }
  ExpectExact<SmallQuickFinder>(data, 0, false, "every position");
  SmallQuickFinder small(data);
  ExpectExactCopies(small, data, "next copy");
}

// The same with stretches of two bytes taking turns, in both phases.
TEST(DrovenMatchFinder, TwoBytePeriodJumpsStayOnEnteredPositions) {
  Bytes data;
  for (std::size_t k = 0; k < 600; ++k) data.push_back(k % 2 == 0 ? 0x55 : 0xAA);
  data.push_back(1);
  for (std::size_t i = 0; data.size() < kWindow + 40; ++i) {
    data.push_back(static_cast<std::uint8_t>(1 + i * 37 % 251));
  }
  for (std::uint8_t block = 0; block < 14; ++block) {
    for (std::size_t k = 0; k < 30; ++k) data.push_back((k + block) % 2 == 0 ? 0x55 : 0xAA);
    for (std::uint8_t k = 0; k < 6; ++k) {
      data.push_back(static_cast<std::uint8_t>(2 + block * 7 + k));
    }
  }
  ExpectExact<SmallQuickFinder>(data, 0, false, "every position");
  SmallQuickFinder small(data);
  ExpectExactCopies(small, data, "next copy");
}

// The finder for sprite-sized inputs enters every position before the first
// search and starts each walk from the searched position's own entry: every
// earlier position must be a candidate and no later one, down to the input's
// last bytes, and it may jump through any run, none being left out.
TEST(DrovenMatchFinder, SmallInputFinderIsExact) {
  Generator in(23);
  std::mt19937 random(24);
  std::vector<std::pair<std::string, Bytes>> inputs;
  for (std::size_t size = 0; size <= 40; ++size) {
    inputs.emplace_back("tiny " + std::to_string(size), in.Mixed(size));
  }
  for (int i = 0; i < 12; ++i) inputs.emplace_back("mixed", in.Mixed(1 + in.Below(3000)));
  inputs.emplace_back("mixed, a whole window", in.Mixed(kWindow));
  inputs.emplace_back("tiles, a whole window", TileLike(random, kWindow, 8, 4, 16));
  inputs.emplace_back("repeated tiles", TileLike(random, 2048, 4, 3, 1u << 30));
  for (int i = 0; i < 6; ++i) inputs.emplace_back("runs", Runs(random, 500 + random() % 3000));
  inputs.emplace_back("runs, a whole window", Runs(random, kWindow));
  for (int i = 0; i < 4; ++i) {
    inputs.emplace_back("two-byte periods", Runs(random, 500 + random() % 3000, 2));
  }
  inputs.emplace_back("two-byte periods, a whole window", Runs(random, kWindow, 2));
  for (const auto& [label, data] : inputs) {
    for (bool jump : {false, true}) {
      SmallInputFinder finder(data);
      ExpectExact(finder, data, 0, jump, label + (jump ? ", jumping" : ""));
    }
    SmallInputFinder copies(data);
    ExpectExactCopies(copies, data, label + ", next copy");
  }
}

// The comparison that runs and periods use goes 32 bytes at a time past the
// first eight: every first difference, in every eight of a block and in the
// tail, at every start and end, must come out as a byte-by-byte count would.
TEST(DrovenMatchFinder, LongComparisonsCountAsByteByByte) {
  constexpr std::size_t kSpan = 90;
  Bytes data(2 * kSpan, 0x33);
  const std::uint8_t* a = data.data();
  const std::uint8_t* b = data.data() + kSpan;
  for (std::size_t differ = 0; differ <= kSpan; ++differ) {
    if (differ < kSpan) data[kSpan + differ] = 0x34;
    for (std::size_t from = 0; from <= 9; ++from) {
      for (std::size_t limit = from; limit <= kSpan; ++limit) {
        std::size_t expected = from;
        while (expected < limit && a[expected] == b[expected]) ++expected;
        ASSERT_EQ(LongCommonLength(a, b, from, limit), expected)
            << "from " << from << " to " << limit << ", differing at " << differ;
        ASSERT_EQ(CommonLength(a, b, from, limit), expected)
            << "from " << from << " to " << limit << ", differing at " << differ;
      }
    }
    if (differ < kSpan) data[kSpan + differ] = 0x33;
  }
}

// A small input's two-byte table crosses long runs and two-byte periods a
// block at a time. Broken anywhere, such an input must still find every pair
// of its own cleared, whatever the memory held (each input below leaves its
// pairs set for the next, which likely gets the same memory; the memory
// checker sees the rest), and be counted as group by group would: the count
// picks the finder and sizes its tables.
TEST(DrovenMatchFinder, TwoByteTableCrossesRunsAsGroupByGroupWould) {
  const Bytes patterns[] = {Bytes(2, 0x00), Bytes(2, 0xFF), Bytes{0x12, 0x34}};
  const std::size_t sizes[] = {0,  1,  9,  10, 17, 26, 33, 49,  50,  51,  57,
                               58, 59, 66, 83, 90, 91, 115, 123, 124, 200, 2048};
  for (const Bytes& pattern : patterns) {
    for (const std::size_t size : sizes) {
      for (std::size_t broken = 0; broken <= size; broken += size > 200 ? 37 : 1) {
        Bytes input(size);
        for (std::size_t i = 0; i < size; ++i) input[i] = pattern[i % 2];
        if (broken < size) input[broken] = 0x5A;
        std::size_t groups = 0;
        std::size_t periodic = 0;
        for (std::size_t x = 0; x + 10 <= size; x += 8, ++groups) {
          periodic += std::equal(input.begin() + x, input.begin() + x + 8, input.begin() + x + 2);
        }
        const std::string label = std::to_string(size) + " bytes of " +
                                  std::to_string(pattern[1]) + " broken at " +
                                  std::to_string(broken);
        TwoByteHeads heads(input);
        ASSERT_EQ(heads.MostlyPeriodic(), groups != 0 && 2 * periodic >= groups) << label;
        ASSERT_EQ(heads.BytesOutsideRuns(), size - 8 * periodic) << label;
        const auto pair = [&](std::size_t x) { return input[x] | (input[x + 1] << 8); };
        for (std::size_t x = 0; x + 1 < size; ++x) {
          ASSERT_EQ(heads.Get(pair(x)), 0) << label << ": the pair at " << x;
        }
        for (std::size_t x = 0; x + 1 < size; ++x) heads.Set(pair(x), 0xBEEF);
      }
    }
  }
}

TEST(DrovenMatchFinder, SpriteSizedInputsTakeTheSmallFinderUnlessMostlyRuns) {
  std::mt19937 random(25);
  const Bytes sprite = TileLike(random, 2048, 8, 4, 16);
  Bytes padded = sprite;  // a quarter sprite, the rest 0xFF padding
  padded.resize(512);
  padded.resize(2048, 0xFF);
  const Bytes large = TileLike(random, kWindow + 1, 8, 4, 16);
  const struct {
    const char* label;
    const Bytes& data;
    std::size_t moduleSize;  // the most bytes one module spans
    bool small;
  } cases[] = {{"sprite", sprite, sprite.size(), true},
               {"sprite in module mode", sprite, 4096, true},
               {"padding", padded, padded.size(), false},
               {"beyond the window", large, large.size(), false},
               {"two modules", large, 4096, false}};
  for (const auto& c : cases) {
    MatchFinder finder(c.data, MatchFinder::kQuickReserve, c.moduleSize);
    EXPECT_EQ(finder.UsesSmallInputFinder(), c.small) << c.label;
    ExpectExactCopies(finder, c.data, c.label, c.moduleSize);
  }
  // Random bytes over {0, 1}: every search meets hundreds of earlier
  // positions sharing its first four bytes. With a small reserve, searching
  // every position runs the finder out in mid-input and the tree takes the rest.
  Bytes bits(kWindow);
  std::generate(bits.begin(), bits.end(), [&] { return static_cast<std::uint8_t>(random() & 1); });
  MatchFinder finder(bits, 100);
  ASSERT_TRUE(finder.UsesSmallInputFinder());
  ExpectExact(finder, bits, 0, false, "bits, hand-over");
  EXPECT_FALSE(finder.UsesSmallInputFinder());
  EXPECT_FALSE(finder.UsesQuickChains());
  // Asked for the next copy, it stops at the position where it runs out,
  // with that position's own result, every position before it a literal.
  SmallInputFinder small(bits, 0, 1000);
  std::size_t p = 1;
  while (!small.Exhausted()) {
    const NextCopy next = small.FindNextCopy(p, 0, bits.size());
    for (; p < next.position; ++p) {
      ASSERT_FALSE(IsCopy(Exhaustive(bits, p, 0, bits.size()))) << "copy missed at " << p;
    }
    ASSERT_LT(p, bits.size()) << "never ran out";
    const Match expected = Exhaustive(bits, p, 0, bits.size());
    ASSERT_EQ(next.match.length, expected.length) << "at " << p;
    ASSERT_EQ(next.match.distance, expected.distance) << "at " << p;
    p += std::max<std::size_t>(next.match.length, 1);
  }
}

TEST(DrovenMatchFinder, HandOversKeepResultsExact) {
  // Ordinary data, then two-letter noise, runs of zeros and ordinary data again,
  // with a reserve small enough that the quick chains run out and the tree's
  // paths then grow long: the finder changes method twice in mid-buffer.
  Generator in(13);
  std::mt19937 random(16);
  Bytes data = in.Mixed(3000);
  for (int i = 0; i < 3000; ++i) data.push_back(static_cast<std::uint8_t>(random() & 1));
  for (std::uint8_t counter = 1; data.size() < 20000; ++counter) {
    data.insert(data.end(), 255, 0);
    data.push_back(counter);
  }
  const Bytes tail = in.Mixed(4000);
  data.insert(data.end(), tail.begin(), tail.end());
  for (bool jump : {true, false}) {
    MatchFinder finder(data, 10000);
    ExpectExact(finder, data, 0, jump, jump ? "hand-over, jumping" : "hand-over, every position");
    EXPECT_FALSE(finder.UsesQuickChains());
    EXPECT_TRUE(finder.UsesChains());
  }
  // The same when the encoder asks for the next copy: the hand-overs then come
  // in the middle of a run of literals.
  MatchFinder copies(data, 10000);
  ExpectExactCopies(copies, data, "hand-over, next copy");
  EXPECT_FALSE(copies.UsesQuickChains());
  EXPECT_TRUE(copies.UsesChains());
  // With the usual reserve the same data stays with the quick chains.
  MatchFinder quick(data);
  ExpectExact(quick, data, 0, true, "no hand-over");
  EXPECT_TRUE(quick.UsesQuickChains());
}

TEST(DrovenMatchFinder, NextCopyStaysInsideItsModule) {
  // Literal runs are settled by a quick two-byte test; here every module
  // repeats the one before it, so the tables are full of positions that match
  // perfectly but lie in the previous module, and single bytes and pairs keep
  // recurring at distances near the module's and the window's reach.
  Generator in(17);
  std::mt19937 random(18);
  Bytes block = in.Mixed(700);
  for (int i = 0; i < 300; ++i) block.push_back(static_cast<std::uint8_t>(random()));
  Bytes repeated;
  while (repeated.size() < 20000) repeated.insert(repeated.end(), block.begin(), block.end());
  const Bytes mixed = in.Mixed(20000);
  for (const std::size_t moduleSize : {std::size_t{1000}, std::size_t{4096}, std::size_t{0}}) {
    const std::string size = " in modules of " + std::to_string(moduleSize);
    for (const Bytes* data : std::initializer_list<const Bytes*>{&repeated, &mixed}) {
      const std::string label = (data == &repeated ? "repeated" : "mixed") + size;
      QuickFinder quick(*data, 0, PTRDIFF_MAX, moduleSize == 0 ? SIZE_MAX : moduleSize);
      ExpectExactCopies(quick, *data, label, moduleSize);
      MatchFinder finder(*data);
      ExpectExactCopies(finder, *data, label + ", whole finder", moduleSize);
    }
  }
  // No byte pair twice in the first 8192 bytes, then those bytes again: every
  // pair of the second copy was last seen exactly at the window's edge.
  Bytes edge;
  for (unsigned a = 0; a < 256 && edge.size() < kWindow; ++a) {
    edge.push_back(static_cast<std::uint8_t>(a));
    for (unsigned b = a + 1; b < 256; ++b) {
      edge.push_back(static_cast<std::uint8_t>(a));
      edge.push_back(static_cast<std::uint8_t>(b));
    }
  }
  edge.resize(kWindow);
  edge.insert(edge.end(), edge.begin(), edge.begin() + 3000);
  QuickFinder quick(edge);
  ExpectExactCopies(quick, edge, "pairs at the window's edge");
}

TEST(DrovenMatchFinder, FindersAliveAtOnceKeepTheirOwnTables) {
  // Two finders alive at once in one thread share no table, whatever order
  // they search in.
  Generator in(19);
  const Bytes first = in.Mixed(12000);
  const Bytes second = [&] {
    Bytes edited = first;
    for (std::size_t i = 0; i < edited.size(); i += 7) edited[i] ^= 0x5A;
    return edited;
  }();
  QuickFinder a(first);
  QuickFinder b(second);
  for (std::size_t p = 1; p < first.size(); ++p) {
    for (auto [finder, data] : {std::pair{&a, &first}, std::pair{&b, &second}}) {
      const Match found = finder->Find(p, 0, data->size());
      const Match expected = Exhaustive(*data, p, 0, data->size());
      ASSERT_EQ(found.length, expected.length)
          << (finder == &a ? "first" : "second") << " at " << p;
      if (expected.length != 0) {
        ASSERT_EQ(found.distance, expected.distance) << "at " << p;
      }
    }
  }
}

}  // namespace
}  // namespace droven::detail
