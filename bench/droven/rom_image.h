// Cartridge-image-like data of our own making: a header, 68000-like program
// code, sprite tiles, palettes, text and long zero or 0xFF padding, laid out as
// a real ROM is. Seeded, so every run and every machine sees the same bytes;
// the benchmarks and the tests against the exhaustive encoder share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace droven::bench {

struct RomLayout {
  std::string name;
  unsigned seed;
  // Shares of the image before the padding, in parts: code, sprite tiles, text.
  unsigned codeParts;
  unsigned tileParts;
  unsigned textParts;
  // Fraction of the image, in percent, that is padding at its end.
  unsigned paddingPercent;
  std::uint8_t padding;  // 0x00 or 0xFF
};

// Three images of different make-up: code-heavy with 0xFF padding up to half
// the image, tile-heavy with zero padding, and one with little padding.
std::vector<RomLayout> RomLayouts();
std::vector<std::uint8_t> RomImage(const RomLayout& layout, std::size_t size);

// Sprite tiles only: 4bpp 8x8 tiles of outlined, shaded shapes in several
// animation frames, few of them repeated exactly.
std::vector<std::uint8_t> SpriteSheet(unsigned seed, std::size_t size);

}  // namespace droven::bench
