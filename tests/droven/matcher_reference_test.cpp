// The library's compressor against the exhaustive reference on many random and
// structured inputs: the streams must be identical, byte for byte, and decode
// back to the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "DrovenTestSupport.h"
#include "codec.h"
#include "exhaustive_encoder.h"

namespace droven {
namespace {

using test::AsBytes;
using test::Bytes;

// Compares both modes; stops the test at the first difference.
void ExpectSameAsReference(const Bytes& input, const std::string& label) {
  for (bool module : {false, true}) {
    if (module && input.size() > kModuleModeLimit) continue;
    const Mode mode = module ? Mode::Module : Mode::Plain;
    const Bytes fast = Compress(input, mode);
    const Bytes reference = reference::Encode(input, module);
    if (fast != reference) {
      const auto diff = std::mismatch(fast.begin(), fast.end(), reference.begin(), reference.end());
      FAIL() << label << (module ? " (module)" : " (plain)") << ", " << input.size()
             << " bytes: streams differ at " << (diff.first - fast.begin());
    }
    ASSERT_EQ(detail::CompressWithoutQuickChains(input, mode), fast)
        << label << (module ? " (module)" : " (plain)") << ": the tree and chains differ";
    const DecompressResult back = Decompress(fast, mode);
    ASSERT_EQ(back.status, kOk) << label;
    ASSERT_EQ(AsBytes(back.data), input) << label;
  }
}

class Inputs {
 public:
  explicit Inputs(unsigned seed) : random_(seed) {}

  std::size_t Below(std::size_t n) { return random_() % n; }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(random_()); }

  // Appends `length` bytes that repeat what lies `distance` back, with rare changes.
  void Repeat(Bytes& data, std::size_t distance, std::size_t length, std::size_t changeOneIn) {
    for (std::size_t i = 0; i < length; ++i) {
      if (data.size() < distance || Below(changeOneIn) == 0) {
        data.push_back(Byte());
      } else {
        data.push_back(data[data.size() - distance]);
      }
    }
  }

  Bytes Random(std::size_t size, unsigned alphabet) {
    Bytes data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>(Below(alphabet));
    return data;
  }

  Bytes Runs(std::size_t size, std::size_t maxRun, unsigned alphabet) {
    Bytes data;
    while (data.size() < size) {
      const auto b = static_cast<std::uint8_t>(Below(alphabet));
      data.insert(data.end(), 1 + Below(maxRun), b);
    }
    data.resize(size);
    return data;
  }

  // Stretches of period 1..maxPeriod, broken by single random bytes.
  Bytes Periodic(std::size_t size, std::size_t maxPeriod, std::size_t maxStretch, unsigned alphabet) {
    Bytes data;
    while (data.size() < size) {
      const std::size_t period = 1 + Below(maxPeriod);
      for (std::size_t i = 0; i < period; ++i) data.push_back(static_cast<std::uint8_t>(Below(alphabet)));
      Repeat(data, period, Below(maxStretch), 1u << 30);
      data.push_back(Byte());
    }
    data.resize(size);
    return data;
  }

  Bytes Text(std::size_t size) {
    static const char* words[] = {"the ", "sprite ", "tile ", "palette ", "a ", "of ", "and ",
                                  "Tavrel ", "compressed ", "module ", "\n", "editor ", "th"};
    Bytes data;
    while (data.size() < size) {
      const std::string word = words[Below(std::size(words))];
      data.insert(data.end(), word.begin(), word.end());
    }
    data.resize(size);
    return data;
  }

  // 8x8 tiles of 4-bit pixels: a few distinct tiles, reused and slightly edited.
  Bytes Tiles(std::size_t size) {
    std::vector<Bytes> set(3 + Below(12));
    for (auto& tile : set) {
      tile.resize(32);
      const unsigned colours = 1 + static_cast<unsigned>(Below(5));
      for (auto& b : tile) {
        b = static_cast<std::uint8_t>((Below(colours) << 4) | Below(colours));
      }
    }
    Bytes data;
    while (data.size() < size) {
      Bytes tile = set[Below(set.size())];
      if (Below(4) == 0) tile[Below(32)] ^= static_cast<std::uint8_t>(1 + Below(15));
      data.insert(data.end(), tile.begin(), tile.end());
    }
    data.resize(size);
    return data;
  }

  // Tiles from a set of motifs over `colours` palette indices, each byte changed
  // with odds 1 in `changeOneIn`; with `far`, half the tiles repeat the one that
  // lies about a window's length back (just inside it or just beyond).
  Bytes TileLike(std::size_t size, std::size_t motifs, unsigned colours, std::size_t changeOneIn,
                 bool far) {
    auto pixelPair = [&] {
      return static_cast<std::uint8_t>(Below(colours) << 4 | Below(colours));
    };
    std::vector<Bytes> set(motifs, Bytes(32));
    for (Bytes& motif : set) std::generate(motif.begin(), motif.end(), pixelPair);
    Bytes data;
    while (data.size() < size) {
      if (far && data.size() > 8300 && Below(2) == 0) {
        Repeat(data, 8192 - 40 + Below(60), 32, changeOneIn);
        continue;
      }
      for (std::uint8_t b : set[Below(motifs)]) {
        data.push_back(Below(changeOneIn) == 0 ? pixelPair() : b);
      }
    }
    data.resize(size);
    return data;
  }

 private:
  std::mt19937 random_;
};

TEST(DrovenMatcher, RandomBytesAndSmallAlphabets) {
  Inputs in(1);
  for (int i = 0; i < 600; ++i) {
    const unsigned alphabet = std::vector<unsigned>{256, 2, 3, 4, 16}[i % 5];
    ExpectSameAsReference(in.Random(1 + in.Below(1200), alphabet), "random/" + std::to_string(i));
  }
}

TEST(DrovenMatcher, RunsOfEveryLength) {
  Inputs in(2);
  for (int i = 0; i < 500; ++i) {
    const std::size_t maxRun = std::vector<std::size_t>{3, 12, 40, 300, 600}[i % 5];
    ExpectSameAsReference(in.Runs(1 + in.Below(2000), maxRun, 1 + i % 4), "runs/" + std::to_string(i));
  }
  // Runs of 255 zeros separated by a counting byte.
  Bytes counted;
  for (int k = 1; counted.size() < 12000; ++k) {
    counted.insert(counted.end(), 255, 0);
    counted.push_back(static_cast<std::uint8_t>(k));
  }
  ExpectSameAsReference(counted, "counted runs");
  // Lengths around 256.
  for (std::size_t length = 250; length <= 262; ++length) {
    Bytes data = in.Random(40, 256);
    data.insert(data.end(), length, 0x77);
    data.push_back(1);
    data.insert(data.end(), length + 1, 0x77);
    data.push_back(2);
    data.insert(data.end(), length - 1, 0x77);
    ExpectSameAsReference(data, "around 256/" + std::to_string(length));
  }
}

TEST(DrovenMatcher, PeriodicStretches) {
  Inputs in(3);
  for (int i = 0; i < 500; ++i) {
    const std::size_t maxPeriod = std::vector<std::size_t>{2, 5, 12, 40, 300}[i % 5];
    const std::size_t maxStretch = std::vector<std::size_t>{20, 300, 1200}[i % 3];
    ExpectSameAsReference(in.Periodic(1 + in.Below(2500), maxPeriod, maxStretch, 2 + i % 7),
                          "periodic/" + std::to_string(i));
  }
}

TEST(DrovenMatcher, RepeatsAtTheWindowLimits) {
  Inputs in(4);
  for (std::size_t distance : {255u, 256u, 257u}) {
    for (int i = 0; i < 40; ++i) {
      Bytes data = in.Random(distance + in.Below(20), 2 + i % 200);
      in.Repeat(data, distance, 50 + in.Below(700), 2 + in.Below(40));
      ExpectSameAsReference(data, "near " + std::to_string(distance));
    }
  }
  for (std::size_t distance : {8191u, 8192u, 8193u}) {
    for (int i = 0; i < 3; ++i) {
      Bytes data = in.Random(distance, 256);
      in.Repeat(data, distance, 300 + in.Below(900), 3 + in.Below(60));
      ExpectSameAsReference(data, "far " + std::to_string(distance));
    }
  }
}

TEST(DrovenMatcher, TextAndTiles) {
  Inputs in(5);
  for (int i = 0; i < 300; ++i) {
    ExpectSameAsReference(in.Text(1 + in.Below(2500)), "text/" + std::to_string(i));
    ExpectSameAsReference(in.Tiles(32 + in.Below(2500)), "tiles/" + std::to_string(i));
  }
}

TEST(DrovenMatcher, TileLikeData) {
  Inputs in(7);
  const struct {
    std::size_t motifs;
    unsigned colours;
    std::size_t changeOneIn;
    bool far;
  } shapes[] = {{8, 4, 16, false}, {4, 2, 32, false},  {32, 4, 12, false}, {16, 16, 16, false},
                {2, 2, 64, false}, {8, 3, 24, true},   {64, 2, 8, false},  {8, 4, 1u << 30, false},
                {1, 2, 200, true}, {128, 16, 4, false}};
  for (const auto& shape : shapes) {
    const std::string label = "tiles " + std::to_string(shape.motifs) + "x" +
                              std::to_string(shape.colours) + "/" +
                              std::to_string(shape.changeOneIn) + (shape.far ? " far" : "");
    ExpectSameAsReference(in.TileLike(40000, shape.motifs, shape.colours, shape.changeOneIn, shape.far),
                          label);
  }
}

// Inputs built to make the match finders work hardest: many earlier positions
// sharing a prefix but few matching far, runs and periods broken just short of
// the length cap, and two-letter noise.
TEST(DrovenMatcher, WorstCasesForTheFinders) {
  Inputs in(8);
  Bytes prefixes;  // "ABCD" and two random bytes, over and over
  while (prefixes.size() < 20000) {
    prefixes.insert(prefixes.end(), {'A', 'B', 'C', 'D', in.Byte(), in.Byte()});
  }
  ExpectSameAsReference(prefixes, "shared prefixes");
  Bytes nearCap;  // a 250-byte pattern repeated, each copy with one byte changed
  const Bytes pattern = in.Random(250, 256);
  while (nearCap.size() < 20000) {
    nearCap.insert(nearCap.end(), pattern.begin(), pattern.end());
    nearCap[nearCap.size() - 1 - in.Below(250)] ^= 0x55;
  }
  ExpectSameAsReference(nearCap, "copies broken near the cap");
  ExpectSameAsReference(in.Random(20000, 2), "two letters");
  ExpectSameAsReference(in.Periodic(20000, 3, 600, 2), "broken short periods");
}

TEST(DrovenMatcher, MixedPiecesAndModuleSizes) {
  Inputs in(6);
  const std::vector<std::function<Bytes(std::size_t)>> pieces = {
      [&](std::size_t n) { return in.Random(n, 256); },
      [&](std::size_t n) { return in.Random(n, 2); },
      [&](std::size_t n) { return in.Runs(n, 80, 3); },
      [&](std::size_t n) { return in.Periodic(n, 6, 400, 4); },
      [&](std::size_t n) { return in.Text(n); },
      [&](std::size_t n) { return in.Tiles(n); },
  };
  auto mixed = [&](std::size_t size) {
    Bytes data;
    while (data.size() < size) {
      const Bytes piece = pieces[in.Below(pieces.size())](1 + in.Below(900));
      data.insert(data.end(), piece.begin(), piece.end());
      if (data.size() > 600 && in.Below(3) == 0) in.Repeat(data, 1 + in.Below(data.size() - 1), in.Below(500), 50);
    }
    data.resize(size);
    return data;
  };
  for (int i = 0; i < 120; ++i) ExpectSameAsReference(mixed(1 + in.Below(5000)), "mixed/" + std::to_string(i));
  for (std::size_t size : {4095u, 4096u, 4097u, 8192u, 8193u, 20000u, 65535u}) {
    ExpectSameAsReference(mixed(size), "size " + std::to_string(size));
  }
}

}  // namespace
}  // namespace droven
