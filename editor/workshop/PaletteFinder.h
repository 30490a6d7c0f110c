// Finding palettes in a ROM image: places where 16 big-endian colour words
// lie, ranked by how much they look like a palette line.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace kerrow {

struct PaletteCandidate {
  std::int64_t Offset = 0;          // of the first of the 16 words
  std::int32_t DistinctColours = 0;  // different words among the 16
  std::int32_t Score = 0;            // higher is likelier
};

// Whether `word` can be a colour word: only the three level bits of each
// channel (0x0EEE) may be set.
constexpr bool IsColourWord(std::uint16_t word) {
  return (word & ~0x0EEEu & 0xFFFFu) == 0;
}

// Up to `limit` palettes in `rom`, best first, none overlapping a better one.
// A candidate is 16 colour words at an even offset, not all the same, with at
// least three different words. Palettes lie in runs of colour words; only the
// places a palette line can start in such a run are tried: the run's start,
// the last of its leading zero words (entry 0 is often black), its first other
// word, and from its end, each followed by further lines of 32 bytes.
std::vector<PaletteCandidate> FindPalettes(std::span<const std::uint8_t> rom,
                                           std::size_t limit = 256);

// The 16 words at `offset` (which must hold 32 bytes).
std::array<std::uint16_t, 16> PaletteWordsAt(std::span<const std::uint8_t> rom,
                                             std::int64_t offset);

}  // namespace kerrow
