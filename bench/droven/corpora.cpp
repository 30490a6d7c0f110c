#include "corpora.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>

#include "rom_image.h"

namespace droven::bench {

namespace {

using Random = std::mt19937;

std::size_t Uniform(Random& rng, std::size_t low, std::size_t high) {
  return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}

std::uint8_t AnyByte(Random& rng) {
  return static_cast<std::uint8_t>(rng() & 0xFF);
}

// Two 4-bit pixels below `colours`, the high one drawn first.
std::uint8_t PixelPair(Random& rng, unsigned colours) {
  const auto high = static_cast<std::uint8_t>(Uniform(rng, 0, colours - 1));
  const auto low = static_cast<std::uint8_t>(Uniform(rng, 0, colours - 1));
  return static_cast<std::uint8_t>(high << 4 | low);
}

void PutLittle32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

Bytes MixedBinary(std::size_t size) {
  static constexpr std::array<const char*, 12> kWords = {
      "palette", "sprite", "error", "init",   "buffer", "length",
      "offset",  "module", "tile ", "%s: %d", "\n",     "_ZNSt6vector"};
  // Short "instruction" patterns that recur with varying operands.
  static constexpr std::array<std::array<std::uint8_t, 3>, 6> kOpcodes = {{{0x48, 0x89, 0xE5},
                                                                           {0x48, 0x8B, 0x45},
                                                                           {0xE8, 0x00, 0x00},
                                                                           {0x0F, 0x1F, 0x44},
                                                                           {0x48, 0x83, 0xEC},
                                                                           {0xC3, 0x90, 0x90}}};
  Random rng(20261207);
  Bytes out;
  out.reserve(size + 512);
  while (out.size() < size) {
    switch (Uniform(rng, 0, 9)) {
      case 0:
      case 1:
        for (std::size_t i = Uniform(rng, 1, 24); i > 0; --i) out.push_back(AnyByte(rng));
        break;
      case 2:
      case 3: {
        const auto& op = kOpcodes[Uniform(rng, 0, kOpcodes.size() - 1)];
        out.insert(out.end(), op.begin(), op.end());
        out.push_back(static_cast<std::uint8_t>(Uniform(rng, 0, 15) * 8));
        break;
      }
      case 4:
        PutLittle32(out, static_cast<std::uint32_t>(Uniform(rng, 0, 300)));
        break;
      case 5:
        PutLittle32(out, 0x00400000u + static_cast<std::uint32_t>(Uniform(rng, 0, 1 << 16) * 4));
        break;
      case 6: {
        const std::string word = kWords[Uniform(rng, 0, kWords.size() - 1)];
        out.insert(out.end(), word.begin(), word.end());
        break;
      }
      default: {
        // A repeat of earlier data, mostly near, sometimes beyond the 8 KiB window.
        if (out.size() < 64) break;
        const std::size_t reach =
            std::min<std::size_t>(out.size(), Uniform(rng, 0, 3) ? 4096 : 32768);
        const std::size_t distance = Uniform(rng, 1, reach);
        const std::size_t length = Uniform(rng, 3, 40);
        for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
      }
    }
  }
  out.resize(size);
  return out;
}

Bytes TileData(std::size_t size) {
  Random rng(4);
  Bytes out;
  out.reserve(size + 32);
  const std::size_t tileBytes = 32;
  while (out.size() < size) {
    const std::size_t kind = Uniform(rng, 0, 9);
    const std::size_t tiles = out.size() / tileBytes;
    if (kind == 0) {
      out.insert(out.end(), tileBytes, 0);  // blank tile
    } else if (kind == 1 && tiles > 0) {
      const std::size_t from = Uniform(rng, tiles > 64 ? tiles - 64 : 0, tiles - 1) * tileBytes;
      for (std::size_t i = 0; i < tileBytes; ++i) out.push_back(out[from + i]);
    } else {
      // A drawn tile: runs of a few palette indices along each row, background 0.
      std::array<std::uint8_t, 4> colours{0, static_cast<std::uint8_t>(Uniform(rng, 1, 15)),
                                          static_cast<std::uint8_t>(Uniform(rng, 1, 15)),
                                          static_cast<std::uint8_t>(Uniform(rng, 1, 15))};
      std::uint8_t colour = colours[Uniform(rng, 0, 3)];
      for (int row = 0; row < 8; ++row) {
        std::array<std::uint8_t, 8> pixels{};
        for (auto& p : pixels) {
          if (Uniform(rng, 0, 3) == 0) colour = colours[Uniform(rng, 0, 3)];
          p = colour;
        }
        for (int x = 0; x < 8; x += 2)
          out.push_back(static_cast<std::uint8_t>(pixels[x] << 4 | pixels[x + 1]));
      }
    }
  }
  out.resize(size);
  return out;
}

Bytes TileLike(const TileShape& shape, std::size_t size) {
  Random rng(shape.seed);
  // Each motif is a 32-byte tile of 4-bit pixels drawn from a small palette.
  std::vector<Bytes> motifs(shape.motifs);
  for (Bytes& motif : motifs) {
    motif.resize(32);
    for (auto& b : motif) b = PixelPair(rng, shape.colours);
  }
  Bytes out;
  out.reserve(size + 32);
  while (out.size() < size) {
    const std::size_t start = out.size();
    if (shape.farRepeats && out.size() >= 8192 + 32 && Uniform(rng, 0, 1) == 0) {
      // A copy of the tile that lies just inside (or just outside) the window.
      const std::size_t back = Uniform(rng, 8192 - 48, 8192 + 16);
      for (std::size_t i = 0; i < 32; ++i) out.push_back(out[out.size() - back]);
    } else {
      const Bytes& motif = motifs[Uniform(rng, 0, motifs.size() - 1)];
      out.insert(out.end(), motif.begin(), motif.end());
    }
    for (std::size_t i = start; i < out.size(); ++i) {
      if (Uniform(rng, 1, shape.mutateOneIn) == 1) out[i] = PixelPair(rng, shape.colours);
    }
  }
  out.resize(size);
  return out;
}

Bytes SystemLibrarySlices(std::size_t size) {
  static constexpr std::array<const char*, 5> kLibraries = {
      "/usr/lib/x86_64-linux-gnu/libstdc++.so.6", "/usr/lib/x86_64-linux-gnu/libc.so.6",
      "/usr/lib/x86_64-linux-gnu/libsqlite3.so.0", "/usr/lib/x86_64-linux-gnu/libQt6Core.so.6",
      "/usr/lib/x86_64-linux-gnu/libz.so.1"};
  constexpr std::size_t kSlice = 256 * 1024;
  constexpr std::size_t kSkipHeaders = 64 * 1024;
  Bytes out;
  for (const char* path : kLibraries) {
    if (out.size() >= size) break;
    std::ifstream file(path, std::ios::binary);
    file.seekg(kSkipHeaders);
    Bytes slice(std::min(kSlice, size - out.size()));
    file.read(reinterpret_cast<char*>(slice.data()), static_cast<std::streamsize>(slice.size()));
    if (file) out.insert(out.end(), slice.begin(), slice.end());
  }
  if (out.size() < size) return {};
  return out;
}

Bytes AllZero(std::size_t size) {
  return Bytes(size, 0);
}

Bytes Period2(std::size_t size) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i) out[i] = (i % 2) ? 0x34 : 0x12;
  return out;
}

Bytes RandomBits(std::size_t size) {
  Random rng(1);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng() & 1);
  return out;
}

Bytes ZeroRunsWithCounter(std::size_t size) {
  Bytes out;
  out.reserve(size + 256);
  std::uint8_t counter = 0;
  while (out.size() < size) {
    out.insert(out.end(), 255, 0);
    out.push_back(++counter);
  }
  out.resize(size);
  return out;
}

Bytes RandomRuns(std::size_t size) {
  Random rng(2);
  Bytes out;
  out.reserve(size + 1024);
  while (out.size() < size) out.insert(out.end(), Uniform(rng, 1, 1000), AnyByte(rng));
  out.resize(size);
  return out;
}

Bytes BrokenPeriod2(std::size_t size) {
  Random rng(3);
  Bytes out;
  out.reserve(size + 1024);
  while (out.size() < size) {
    const std::size_t length = Uniform(rng, 2, 600);
    for (std::size_t i = 0; i < length; ++i) out.push_back(i % 2 ? 0xAA : 0x55);
    out.push_back(AnyByte(rng));
  }
  out.resize(size);
  return out;
}

Bytes SharedPrefixes(std::size_t size) {
  Random rng(5);
  Bytes out;
  out.reserve(size + 6);
  while (out.size() < size) out.insert(out.end(), {'A', 'B', 'C', 'D', AnyByte(rng), AnyByte(rng)});
  out.resize(size);
  return out;
}

Bytes CopiesBrokenNearCap(std::size_t size) {
  Random rng(6);
  Bytes pattern(250);
  for (auto& b : pattern) b = AnyByte(rng);
  Bytes out;
  out.reserve(size + 250);
  while (out.size() < size) {
    out.insert(out.end(), pattern.begin(), pattern.end());
    out[out.size() - 1 - Uniform(rng, 0, 249)] ^= 0x55;
  }
  out.resize(size);
  return out;
}

Bytes NoisyTiles(std::size_t size) {
  // Every other byte of a copied tile changed: many candidates, short matches.
  return TileLike({"", 7, 4, 2, 2, false}, size);
}

std::vector<TileShape> TileShapes() {
  // name, seed, motifs, colours, one byte in `mutateOneIn` changed, far repeats
  return {{"tl_8m4c", 11, 8, 4, 16, false},   {"tl_4m2c", 12, 4, 2, 32, false},
          {"tl_32m4c", 13, 32, 4, 12, false}, {"tl_16m16c", 14, 16, 16, 16, false},
          {"tl_2m2c", 15, 2, 2, 64, false},   {"tl_8m3c_far", 16, 8, 3, 24, true},
          {"tl_64m2c", 17, 64, 2, 8, false},  {"tl_8m4c_exact", 18, 8, 4, 1u << 30, false}};
}

std::vector<Corpus> AllCorpora() {
  const std::size_t n = kCorpusSize;
  std::vector<Corpus> corpora = {{"mixed", MixedBinary(n)}, {"libs", SystemLibrarySlices(n)}};
  if (corpora.back().data.empty()) corpora.pop_back();
  std::vector<Corpus> rest = {{"tiles", TileData(n)},
                              {"zero", AllZero(n)},
                              {"period2", Period2(n)},
                              {"adv_bits", RandomBits(n)},
                              {"adv_zero255", ZeroRunsWithCounter(n)},
                              {"adv_runs", RandomRuns(n)},
                              {"adv_period2", BrokenPeriod2(n)},
                              {"adv_prefixes", SharedPrefixes(n)},
                              {"adv_nearcap", CopiesBrokenNearCap(n)},
                              {"adv_noisytiles", NoisyTiles(n)}};
  for (Corpus& c : rest) corpora.push_back(std::move(c));
  for (const TileShape& shape : TileShapes()) corpora.push_back({shape.name, TileLike(shape, n)});
  corpora.push_back({"ff", Bytes(n, 0xFF)});
  for (const RomLayout& layout : RomLayouts()) corpora.push_back({layout.name, RomImage(layout, n)});
  corpora.push_back({"tl_sprites", SpriteSheet(31, n)});
  return corpora;
}

}  // namespace droven::bench
