// A cartridge image built the way real ones are laid out: the 68000's vector
// table, a cartridge header, code, tile data, palette lines and long runs of
// zero and 0xFF padding. Tests place what they look for at known offsets.
#pragma once

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <string>
#include <vector>

namespace kerrow::test {

class RomShapedImage {
 public:
  // Vector table and header at the start; the rest 0xFF, as an erased chip.
  explicit RomShapedImage(std::size_t size, const std::string& serial = "GM 00000000-00",
                          const std::string& title = "ROM SHAPED TEST")
      : bytes_(size, 0xFF) {
    PutLong(0, 0x00FFFE00);  // initial stack pointer
    PutLong(4, 0x00000200);  // entry point
    for (std::size_t at = 8; at < 0x100; at += 4) PutLong(at, 0x00000206);  // handlers
    Text(0x100, 16, "SEGA MEGA DRIVE");
    Text(0x110, 16, "(C)KRRW 2026.DEC");
    Text(0x120, 48, title);
    Text(0x150, 48, title);
    Text(0x180, 14, serial);
    PutLong(0x1A0, 0);
    PutLong(0x1A4, static_cast<std::uint32_t>(size - 1));
    PutLong(0x1A8, 0x00FF0000);
    PutLong(0x1AC, 0x00FFFFFF);
    Text(0x1F0, 16, "JUE");
  }

  std::vector<std::uint8_t>& Bytes() { return bytes_; }

  // 68000-like code: moves, address loads, compares, branches, loops and
  // returns, some of whose words also pass for colour words.
  RomShapedImage& Code(std::size_t at, std::size_t length, std::uint32_t seed = 1) {
    struct Instruction {
      std::uint16_t Words[3];
      int Length;
    };
    static constexpr Instruction kInstructions[] = {
        {{0x46FC, 0x2700}, 2},         {{0x41F9, 0x0000, 0x8A40}, 3}, {{0x303C, 0x000F}, 2},
        {{0x32D8}, 1},                 {{0x51C8, 0xFFFC}, 2},         {{0x0C40, 0x0004}, 2},
        {{0x0240, 0x00E0}, 2},         {{0x4EB9, 0x0000, 0x0400}, 3}, {{0x6600, 0x0010}, 2},
        {{0x23FC, 0x4000, 0x0000}, 3}, {{0x4E71}, 1},                 {{0x4E75}, 1},
        {{0x2080}, 1},                 {{0x7000}, 1},                 {{0x33FC, 0x8F02, 0x00C0}, 3},
    };
    std::uint32_t state = seed;
    const std::size_t end = at + length;
    while (at + 6 <= end) {
      state = state * 1103515245u + 12345u;
      const Instruction& instruction = kInstructions[(state >> 16) % std::size(kInstructions)];
      for (int i = 0; i < instruction.Length; ++i) {
        PutWord(at, instruction.Words[i]);
        at += 2;
      }
    }
    while (at + 2 <= end) {
      PutWord(at, 0x4E71);  // nop up to the end
      at += 2;
    }
    return *this;
  }

  // `count` tiles of 4bpp pixels, mostly transparent with runs of colour.
  RomShapedImage& Tiles(std::size_t at, std::size_t count, std::uint32_t seed = 7) {
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < count * 32; ++i) {
      state = state * 1664525u + 1013904223u;
      const unsigned high = (state >> 24) % 3 == 0 ? 0 : (state >> 20) & 0xF;
      const unsigned low = (state >> 12) % 3 == 0 ? 0 : (state >> 8) & 0xF;
      bytes_[at + i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return *this;
  }

  RomShapedImage& Words(std::size_t at, const std::vector<std::uint16_t>& words) {
    for (std::uint16_t word : words) {
      PutWord(at, word);
      at += 2;
    }
    return *this;
  }

  RomShapedImage& Fill(std::size_t at, std::size_t length, std::uint8_t value) {
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at), length, value);
    return *this;
  }

  void PutWord(std::size_t at, std::uint16_t word) {
    bytes_[at] = static_cast<std::uint8_t>(word >> 8);
    bytes_[at + 1] = static_cast<std::uint8_t>(word);
  }
  void PutLong(std::size_t at, std::uint32_t value) {
    PutWord(at, static_cast<std::uint16_t>(value >> 16));
    PutWord(at + 2, static_cast<std::uint16_t>(value));
  }

 private:
  void Text(std::size_t at, std::size_t length, const std::string& text) {
    for (std::size_t i = 0; i < length; ++i)
      bytes_[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
  }

  std::vector<std::uint8_t> bytes_;
};

// A palette line as a game keeps one: black entry 0, then a warm ramp and a
// cool ramp, every word different.
inline std::vector<std::uint16_t> SamplePalette(int variant = 0) {
  std::vector<std::uint16_t> words{0x0000};
  for (int level = 1; level <= 7; ++level)  // reds to yellows
    words.push_back(static_cast<std::uint16_t>((2 * level) | (2 * ((level + variant) % 8)) << 4));
  for (int level = 1; level <= 8; ++level)  // blues
    words.push_back(static_cast<std::uint16_t>((2 * (level % 8)) << 8 | (2 * (level / 2)) << 4 |
                                               (variant * 2 % 16)));
  return words;
}

}  // namespace kerrow::test
