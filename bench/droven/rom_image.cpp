#include "rom_image.h"

#include <algorithm>
#include <array>
#include <random>
#include <string_view>

namespace droven::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

class Source {
 public:
  explicit Source(unsigned seed) : random_(seed) {}
  std::size_t Below(std::size_t n) { return random_() % n; }
  bool OneIn(std::size_t n) { return Below(n) == 0; }
  // Small values far more often than large ones, as operands and indices are.
  std::size_t Skewed(std::size_t n) { return std::min(Below(n), Below(n)); }

 private:
  std::mt19937 random_;
};

void Put16(Bytes& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v));
}

void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}

void PutText(Bytes& out, std::string_view text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? text[i] : ' ');
}

// Vector table and the 256-byte header block, with the serial every image of
// the common homebrew toolchain carries.
void Header(Bytes& out, std::size_t size) {
  Put32(out, 0x00FFFE00);  // initial stack pointer
  Put32(out, 0x00000200);  // entry point
  for (int v = 2; v < 64; ++v) {
    // Most vectors share one error handler; the interrupts have their own.
    const std::uint32_t handler = v == 28 ? 0x00000380 : v == 30 ? 0x000003C0 : 0x00000340;
    Put32(out, handler);
  }
  PutText(out, "SEGA MEGA DRIVE ", 16);
  PutText(out, "(C)HBRW 2026.DEC", 16);
  PutText(out, "TAVREL TEST CARTRIDGE", 48);
  PutText(out, "TAVREL TEST CARTRIDGE", 48);
  PutText(out, "GM 00000000-00", 14);
  Put16(out, 0x0000);  // checksum
  PutText(out, "J", 16);
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(size - 1));
  Put32(out, 0x00FF0000);
  Put32(out, 0x00FFFFFF);
  PutText(out, "", 12);
  PutText(out, "", 12);
  PutText(out, "", 40);
  PutText(out, "JUE", 16);
}

// 68000-like code: routines of common instruction forms with big-endian
// operands, calls to earlier routines, hardware register addresses, and now and
// then an idiom repeated from earlier code, as macros and compilers leave them.
void Code(Source& in, Bytes& out, std::size_t bytes, std::vector<std::uint32_t>& routines) {
  const std::size_t end = out.size() + bytes;
  while (out.size() < end) {
    routines.push_back(static_cast<std::uint32_t>(out.size()));
    const bool saves = in.OneIn(3);
    if (saves) Put32(out, 0x48E7FFFE);  // movem.l d0-a6,-(sp)
    for (std::size_t n = 4 + in.Below(40); n > 0; --n) {
      const auto d = static_cast<std::uint32_t>(in.Skewed(8));
      const auto a = static_cast<std::uint32_t>(in.Skewed(7));
      switch (in.Below(16)) {
        case 0: Put16(out, 0x3000 | d << 9 | static_cast<std::uint32_t>(in.Skewed(8))); break;
        case 1: Put16(out, 0x7000 | d << 9 | static_cast<std::uint32_t>(in.Skewed(64))); break;
        case 2:  // lea work RAM,aN
          Put16(out, 0x41F9 | a << 9);
          Put32(out, 0x00FF0000 | static_cast<std::uint32_t>(in.Skewed(0x800) * 2));
          break;
        case 3:  // jsr to an earlier routine
          Put16(out, 0x4EB9);
          Put32(out, routines[routines.size() - 1 - in.Skewed(std::min<std::size_t>(routines.size(), 40))]);
          break;
        case 4: Put16(out, 0x6600 | static_cast<std::uint32_t>(2 + in.Below(40) * 2)); break;
        case 5: Put16(out, 0x51C8 | d); Put16(out, 0x10000 - 4 - in.Below(30) * 2); break;
        case 6:  // move.w #imm,VDP control port
          Put16(out, 0x33FC);
          Put16(out, 0x8000 | static_cast<std::uint32_t>(in.Below(24) << 8 | in.Skewed(256)));
          Put32(out, 0x00C00004);
          break;
        case 7: Put16(out, 0x0C40 | d); Put16(out, static_cast<std::uint32_t>(in.Skewed(320))); break;
        case 8: Put16(out, 0x5240 | d); break;                   // addq.w #1,dN
        case 9: Put16(out, 0x2018 | d << 9 | a); break;          // move.l (aN)+,dN
        case 10: Put16(out, 0x4A40 | d); Put16(out, 0x6700 | static_cast<std::uint32_t>(2 + in.Below(20) * 2)); break;
        case 11: Put16(out, 0x3080 | a << 9 | d); break;         // move.w dN,(aN)
        case 12: Put16(out, 0x0240 | d); Put16(out, 0x00FF >> in.Below(5)); break;
        case 13: Put16(out, 0xE548 | d); break;                  // lsl.w #2,dN
        case 14:
          if (out.size() > 256 && in.OneIn(2)) {
            const std::size_t from = out.size() - 2 * (8 + in.Below(100));
            for (std::size_t k = 0, n2 = 8 + 2 * in.Below(12); k < n2; ++k) out.push_back(out[from + k]);
          }
          break;
        default: Put16(out, 0x4E71); break;                      // nop
      }
    }
    if (saves) Put32(out, 0x4CDF7FFF);  // movem.l (sp)+,d0-a6
    Put16(out, 0x4E75);                 // rts
    if (in.OneIn(6)) {
      // A jump table of word offsets.
      for (std::size_t n = 4 + in.Below(12), base = in.Below(0x200) * 2; n > 0; --n, base += 6 + in.Below(8) * 2)
        Put16(out, static_cast<std::uint32_t>(base));
    }
  }
}

// Writes a w x h tile sprite of pixels (palette indices) in the console's
// order: tiles column by column, each 8 rows of 4 bytes, left pixel high.
void PutSprite(Bytes& out, const std::vector<std::uint8_t>& pixels, std::size_t w, std::size_t h) {
  for (std::size_t tx = 0; tx < w; ++tx)
    for (std::size_t ty = 0; ty < h; ++ty)
      for (std::size_t y = ty * 8; y < ty * 8 + 8; ++y)
        for (std::size_t x = tx * 8; x < tx * 8 + 8; x += 2)
          out.push_back(static_cast<std::uint8_t>(pixels[y * w * 8 + x] << 4 | pixels[y * w * 8 + x + 1]));
}

// One character in a few animation frames: an outlined, shaded body with limbs
// that move by a pixel or two from frame to frame.
void Character(Source& in, Bytes& out) {
  const std::size_t w = 2 + in.Below(3), h = 2 + in.Below(3);
  const std::size_t W = w * 8, H = h * 8;
  const auto base = static_cast<std::uint8_t>(2 + in.Below(10));
  const double cx = W / 2.0 + static_cast<double>(in.Below(3)) - 1, cy = H / 2.0;
  const double rx = W * (0.25 + in.Below(15) / 100.0), ry = H * (0.25 + in.Below(15) / 100.0);
  const std::size_t limbs = 1 + in.Below(3);
  std::array<std::size_t, 3> limbX{}, limbLength{};
  for (std::size_t l = 0; l < limbs; ++l) {
    limbX[l] = 2 + in.Below(W - 4);
    limbLength[l] = 2 + in.Below(H / 3);
  }
  for (std::size_t frame = 0, frames = 2 + in.Below(5); frame < frames; ++frame) {
    std::vector<std::uint8_t> px(W * H, 0);
    for (std::size_t y = 0; y < H; ++y)
      for (std::size_t x = 0; x < W; ++x) {
        const double dx = (static_cast<double>(x) - cx) / rx, dy = (static_cast<double>(y) - cy) / ry;
        const double r = dx * dx + dy * dy;
        if (r > 1.0) continue;
        // Shaded from the upper left, darker towards the rim.
        px[y * W + x] = static_cast<std::uint8_t>(r > 0.7 ? base + 2 : dx + dy < -0.6 ? base + 1 : base);
      }
    for (std::size_t l = 0; l < limbs; ++l) {
      const std::size_t x0 = std::min(W - 2, limbX[l] + (frame % 3));
      for (std::size_t y = static_cast<std::size_t>(cy + ry) - 1; y < std::min(H, static_cast<std::size_t>(cy + ry) + limbLength[l] + frame % 2); ++y)
        px[y * W + x0] = px[y * W + x0 + 1] = static_cast<std::uint8_t>(base + 3);
    }
    // A dark outline around everything drawn.
    std::vector<std::uint8_t> outlined = px;
    for (std::size_t y = 0; y < H; ++y)
      for (std::size_t x = 0; x < W; ++x) {
        if (px[y * W + x] != 0) continue;
        const bool edge = (x > 0 && px[y * W + x - 1]) || (x + 1 < W && px[y * W + x + 1]) ||
                          (y > 0 && px[(y - 1) * W + x]) || (y + 1 < H && px[(y + 1) * W + x]);
        if (edge) outlined[y * W + x] = 1;
      }
    // Eyes that blink in some frames.
    if (frame % 4 != 3) outlined[static_cast<std::size_t>(cy - ry / 3) * W + static_cast<std::size_t>(cx + rx / 3)] = 15;
    PutSprite(out, outlined, w, h);
  }
}

// Font glyphs: one colour on the background, a tile each.
void Font(Source& in, Bytes& out, std::size_t glyphs) {
  for (std::size_t g = 0; g < glyphs; ++g) {
    std::vector<std::uint8_t> px(64, 0);
    for (std::size_t stroke = 0; stroke < 3; ++stroke) {
      const bool vertical = in.OneIn(2);
      const std::size_t at = 1 + in.Below(5), from = 1 + in.Below(3), to = 4 + in.Below(3);
      for (std::size_t k = from; k <= to; ++k) px[vertical ? k * 8 + at : at * 8 + k] = 1;
    }
    PutSprite(out, px, 1, 1);
  }
}

// A tile map: words of priority, palette and tile index, in runs of one tile
// and rows that repeat with small changes.
void TileMap(Source& in, Bytes& out, std::size_t words) {
  std::uint32_t tile = static_cast<std::uint32_t>(in.Below(0x300));
  for (std::size_t n = 0; n < words; ++n) {
    if (in.OneIn(5)) tile = static_cast<std::uint32_t>(in.Below(0x300));
    else if (in.OneIn(3)) ++tile;
    if (n >= 64 && in.OneIn(3)) {
      out.push_back(out[out.size() - 128]);
      out.push_back(out[out.size() - 128]);
    } else {
      Put16(out, (in.OneIn(4) ? 0x8000u : 0u) | static_cast<std::uint32_t>(in.Skewed(4)) << 13 | tile);
    }
  }
}

// Palettes of 16 colour words: transparent first, then ramps of one hue, every
// component on the console's even levels.
void Palettes(Source& in, Bytes& out, std::size_t count) {
  for (std::size_t p = 0; p < count; ++p) {
    Put16(out, 0);
    std::uint32_t b = 0, g = 0, r = 0;
    for (int c = 1; c < 16; ++c) {
      if (c % 4 == 1) {
        b = static_cast<std::uint32_t>(in.Below(4)) * 2;
        g = static_cast<std::uint32_t>(in.Below(4)) * 2;
        r = static_cast<std::uint32_t>(in.Below(4)) * 2;
      } else {
        b = std::min<std::uint32_t>(14, b + 2 * static_cast<std::uint32_t>(in.Below(2)));
        g = std::min<std::uint32_t>(14, g + 2);
        r = std::min<std::uint32_t>(14, r + 2 * static_cast<std::uint32_t>(in.Below(3)));
      }
      Put16(out, b << 8 | g << 4 | r);
    }
  }
}

// Dialogue and menu strings, zero-terminated, behind a table of pointers to them.
void Text(Source& in, Bytes& out, std::size_t bytes) {
  static constexpr std::array<std::string_view, 24> kWords = {
      "the ", "you ", "THE ", "to ", "of ", "and ", "a ", "is ", "sword ", "castle ", "key ",
      "PRESS START", "GAME OVER", "CONTINUE? ", "Welcome ", "traveller", ", ", ". ", "!\n",
      "found ", "door ", "locked ", "LEVEL ", "SCORE "};
  const std::size_t end = out.size() + bytes;
  const std::size_t strings = 8 + in.Below(24);
  for (std::size_t s = 0; s < strings; ++s) Put32(out, 0x00080000 + static_cast<std::uint32_t>(s * 37));
  while (out.size() < end) {
    for (std::size_t n = 2 + in.Below(12); n > 0; --n) {
      const std::string_view word = kWords[in.Skewed(kWords.size())];
      out.insert(out.end(), word.begin(), word.end());
    }
    out.push_back(0);
    if (out.size() % 2) out.push_back(0);  // strings kept word-aligned
  }
}

void Align(Bytes& out, std::size_t to, std::uint8_t fill) {
  while (out.size() % to) out.push_back(fill);
}

void Graphics(Source& in, Bytes& out, std::size_t bytes) {
  const std::size_t end = out.size() + bytes;
  while (out.size() < end) {
    switch (in.Below(8)) {
      case 0: Font(in, out, 16 + in.Below(48)); break;
      case 1: TileMap(in, out, 64 + in.Below(512)); break;
      case 2: Palettes(in, out, 1 + in.Below(4)); break;
      case 3: out.insert(out.end(), 32 * (1 + in.Below(3)), 0); break;  // blank tiles
      default: Character(in, out); break;
    }
  }
}

}  // namespace

std::vector<RomLayout> RomLayouts() {
  // name, seed, parts of code, tiles, text; padding percent and byte
  return {{"rom_code", 21, 5, 3, 1, 50, 0xFF},
          {"rom_tiles", 22, 2, 6, 1, 30, 0x00},
          {"rom_full", 23, 4, 4, 1, 5, 0xFF}};
}

std::vector<std::uint8_t> RomImage(const RomLayout& layout, std::size_t size) {
  Source in(layout.seed);
  Bytes out;
  out.reserve(size + 4096);
  Header(out, size);
  std::vector<std::uint32_t> routines{0x200};
  const std::size_t content = size * (100 - layout.paddingPercent) / 100;
  const unsigned parts = layout.codeParts + layout.tileParts + layout.textParts;
  // Banks of each kind in turn, each aligned as assemblers leave them, so that
  // zero or 0xFF gaps of all lengths lie between them.
  while (out.size() < content) {
    const std::size_t bank = 2048 + in.Below(16384);
    const std::size_t kind = in.Below(parts);
    if (kind < layout.codeParts) {
      Code(in, out, bank, routines);
    } else if (kind < layout.codeParts + layout.tileParts) {
      Graphics(in, out, bank);
    } else {
      Text(in, out, bank / 4);
    }
    Align(out, std::size_t{16} << in.Below(8), in.OneIn(2) ? 0x00 : layout.padding);
  }
  out.resize(std::min(out.size(), content));
  out.resize(size, layout.padding);
  return out;
}

std::vector<std::uint8_t> SpriteSheet(unsigned seed, std::size_t size) {
  Source in(seed);
  Bytes out;
  out.reserve(size + 8192);
  while (out.size() < size) Character(in, out);
  out.resize(size);
  return out;
}

}  // namespace droven::bench
