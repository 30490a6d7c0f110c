// Benchmark inputs: seeded, so every run and every machine measures the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace droven::bench {

using Bytes = std::vector<std::uint8_t>;

struct Corpus {
  std::string name;
  Bytes data;
};

inline constexpr std::size_t kCorpusSize = std::size_t{1} << 20;

// Program-like binary: code-ish bytes, small integers, strings, repeats at many distances.
Bytes MixedBinary(std::size_t size);
// Sprite tiles, 4 bits per pixel: few colours, runs along rows, blank and repeated tiles.
Bytes TileData(std::size_t size);
// Tile-like data of the kind sprites are: 32-byte tiles drawn from a few motifs
// over a few palette indices, each copied many times with a few bytes changed.
struct TileShape {
  std::string name;
  unsigned seed;
  std::size_t motifs;
  unsigned colours;          // palette indices in use, 2..16
  std::size_t mutateOneIn;   // each byte of a copied tile changes with this odds
  bool farRepeats;           // half the tiles repeat one from near the window's edge
};
Bytes TileLike(const TileShape& shape, std::size_t size);
std::vector<TileShape> TileShapes();
// Real program code: 256 KiB slices of shared libraries found on this machine
// (empty when none is found, and then not benchmarked).
Bytes SystemLibrarySlices(std::size_t size);
Bytes AllZero(std::size_t size);
Bytes Period2(std::size_t size);
// Inputs that hurt a hash-chain matcher: tiny alphabets and long or broken runs.
Bytes RandomBits(std::size_t size);
Bytes ZeroRunsWithCounter(std::size_t size);
Bytes RandomRuns(std::size_t size);
Bytes BrokenPeriod2(std::size_t size);
// Inputs that hurt the quick chains: many earlier positions sharing a prefix
// with short or almost-capped matches.
Bytes SharedPrefixes(std::size_t size);       // "ABCD" and two random bytes, repeated
Bytes CopiesBrokenNearCap(std::size_t size);  // a 250-byte pattern, one byte changed per copy
Bytes NoisyTiles(std::size_t size);           // tile-like, half the bytes changed

// Every corpus above, all-0xFF, the ROM images and the sprite sheet of
// rom_image.h, at kCorpusSize, in a fixed order.
std::vector<Corpus> AllCorpora();

}  // namespace droven::bench
