// Cartridge-shaped ROM images for the identification tests: a 68000 vector
// table and header, startup code every build of one toolchain shares, game
// code of its own, tiles, a palette, and long zero and 0xFF padding, as real
// homebrew images have them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kerrow::test {

// The serial the common homebrew toolchain writes into every image.
inline constexpr const char* kToolchainSerial = "GM 00000000-00";

struct RomShape {
  std::uint32_t seed = 1;               // what makes this build's own code and art
  std::string title = "HOMEBREW GAME";  // domestic and overseas title
  std::size_t size = 0x80000;
  std::size_t codeEnd = 0x20000;
  std::size_t tilesAt = 0x30000;  // 64 tiles of 4-bit art
  std::size_t paletteAt = 0x32000;
};

inline void PutText(std::vector<unsigned char>& rom, std::size_t at, std::size_t length,
                    const std::string& text) {
  for (std::size_t i = 0; i < length; ++i)
    rom[at + i] = static_cast<unsigned char>(i < text.size() ? text[i] : ' ');
}

inline void PutWord(std::vector<unsigned char>& rom, std::size_t at, std::uint16_t word) {
  rom[at] = static_cast<unsigned char>(word >> 8);
  rom[at + 1] = static_cast<unsigned char>(word);
}

// Plausible 68000 instructions: MOVE.L #imm,Dn / LEA abs,An / JSR abs / DBF / RTS.
inline void PutCode(std::vector<unsigned char>& rom, std::size_t from, std::size_t to,
                    std::mt19937& random) {
  std::size_t at = from;
  while (at + 6 <= to) {
    switch (random() % 5) {
      case 0:
        PutWord(rom, at, static_cast<std::uint16_t>(0x203C | (random() % 8) << 9));
        PutWord(rom, at + 2, static_cast<std::uint16_t>(random()));
        PutWord(rom, at + 4, static_cast<std::uint16_t>(random()));
        at += 6;
        break;
      case 1:
        PutWord(rom, at, static_cast<std::uint16_t>(0x41F9 | (random() % 8) << 9));
        PutWord(rom, at + 2, 0x0000);
        PutWord(rom, at + 4, static_cast<std::uint16_t>(random() & 0xFFFE));
        at += 6;
        break;
      case 2:
        PutWord(rom, at, 0x4EB9);
        PutWord(rom, at + 2, 0x0000);
        PutWord(rom, at + 4, static_cast<std::uint16_t>(0x200 + (random() % 0x5000) * 2));
        at += 6;
        break;
      case 3:
        PutWord(rom, at, static_cast<std::uint16_t>(0x51C8 | random() % 8));
        PutWord(rom, at + 2, static_cast<std::uint16_t>(0xFFF0 - 2 * (random() % 8)));
        at += 4;
        break;
      default:
        PutWord(rom, at, 0x4E75);
        at += 2;
    }
  }
}

inline std::vector<unsigned char> MakeShapedRom(const RomShape& shape) {
  std::vector<unsigned char> rom(shape.size, 0xFF);
  // Vector table: stack pointer, entry point, then the exception handlers.
  PutWord(rom, 0, 0x00FF);
  PutWord(rom, 2, 0xE000);
  for (std::size_t v = 4; v < 0x100; v += 4) PutWord(rom, v + 2, 0x0200);
  for (std::size_t v = 0; v < 0x100; v += 4) PutWord(rom, v, v == 0 ? 0x00FF : 0x0000);
  PutText(rom, 0x100, 16, "SEGA MEGA DRIVE ");
  PutText(rom, 0x110, 16, "(C)HOME 2024.JAN");
  PutText(rom, 0x120, 48, shape.title);
  PutText(rom, 0x150, 48, shape.title);
  PutText(rom, 0x180, 14, kToolchainSerial);
  PutWord(rom, 0x18E, 0);
  PutText(rom, 0x190, 16, "J");
  for (std::size_t i = 0x1A0; i < 0x1F0; ++i) rom[i] = 0x20;
  PutText(rom, 0x1F0, 16, "JUE");
  // The toolchain's startup code is the same in every build; the game's own follows.
  std::mt19937 toolchain(2024);
  PutCode(rom, 0x200, 0x2000, toolchain);
  std::mt19937 game(shape.seed);
  PutCode(rom, 0x2000, shape.codeEnd, game);
  std::fill(rom.begin() + static_cast<long>(shape.codeEnd),
            rom.begin() + static_cast<long>(shape.tilesAt), 0x00);
  for (std::size_t i = 0; i < 64 * 32; ++i)
    rom[shape.tilesAt + i] = static_cast<unsigned char>(game());
  for (int c = 0; c < 16; ++c)
    PutWord(rom, shape.paletteAt + 2 * static_cast<std::size_t>(c),
            static_cast<std::uint16_t>(c == 0 ? 0 : game() & 0x0EEE));
  return rom;
}

}  // namespace kerrow::test
