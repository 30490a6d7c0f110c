#include "editing/FloodFill.h"

#include <bit>
#include <cstring>

#include "graphics/Surface.h"

namespace kerrow {
namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Position (0 = lowest address) of the first byte of `v` that is not zero, and
// of the last; `v` is not zero. Eight pixels of a tile row are compared at once.
int FirstNonZeroByte(std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) return std::countr_zero(v) >> 3;
  return std::countl_zero(v) >> 3;
}
int LastNonZeroByte(std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) return 7 - (std::countl_zero(v) >> 3);
  return 7 - (std::countr_zero(v) >> 3);
}
// The first byte of `v` that is zero, or 8. The lowest flagged byte is exact.
int FirstZeroByte(std::uint64_t v) {
  const std::uint64_t zeros = (v - kOnes) & ~v & kHighs;
  if (zeros == 0) return 8;
  if constexpr (std::endian::native == std::endian::little) return std::countr_zero(zeros) >> 3;
  // Big-endian: borrows run towards lower addresses, so test byte by byte.
  for (int i = 0; i < 8; ++i) {
    if (((v >> (56 - 8 * i)) & 0xFF) == 0) return i;
  }
  return 8;
}

// One row of the fill's area: the pixels of the target index in the sprite's
// own tiles between lo and hi match.
class Row {
 public:
  Row(PixelGrid& pixels, const PixelGrid& tileMap, std::int32_t y, std::int32_t lo,
      std::int32_t hi, std::uint8_t target)
      : pixels_(pixels.Data() + pixels.Index(0, y)), lo_(lo), hi_(hi), target_(target),
        pattern_(kOnes * target) {
    const std::int32_t ty = y >> 3;
    if (ty < tileMap.Height() && !tileMap.Empty()) {
      tiles_ = tileMap.Cells().data() + tileMap.Index(0, ty);
      tileColumns_ = tileMap.Width();
    }
  }

  bool Own(std::int32_t x) const {
    const std::int32_t tx = x >> 3;
    return tx < tileColumns_ && tiles_[tx] == kTileWhite;
  }
  bool Matches(std::int32_t x) const { return Own(x) && pixels_[x] == target_; }

  // The last matching pixel of the run that starts at matching pixel x.
  std::int32_t RunEnd(std::int32_t x) const {
    while (x < hi_) {
      const std::int32_t next = x + 1;
      if ((next & 7) == 0 && next + 7 <= hi_) {
        if (!Own(next)) return x;
        const std::uint64_t differ = Load(next) ^ pattern_;
        if (differ == 0) {
          x = next + 7;
          continue;
        }
        return next - 1 + FirstNonZeroByte(differ);
      }
      if (!Matches(next)) return x;
      x = next;
    }
    return x;
  }

  // The first matching pixel of the run that ends at matching pixel x.
  std::int32_t RunStart(std::int32_t x) const {
    while (x > lo_) {
      const std::int32_t previous = x - 1;
      if ((previous & 7) == 7 && previous - 7 >= lo_) {
        const std::int32_t chunk = previous - 7;
        if (!Own(chunk)) return x;
        const std::uint64_t differ = Load(chunk) ^ pattern_;
        if (differ == 0) {
          x = chunk;
          continue;
        }
        return chunk + LastNonZeroByte(differ) + 1;
      }
      if (!Matches(previous)) return x;
      x = previous;
    }
    return x;
  }

  // The first matching pixel from x to last, or -1.
  std::int32_t NextMatch(std::int32_t x, std::int32_t last) const {
    while (x <= last) {
      if ((x & 7) == 0 && x + 7 <= hi_) {
        if (Own(x)) {
          const int at = FirstZeroByte(Load(x) ^ pattern_);
          if (at < 8) return x + at <= last ? x + at : -1;
        }
        x += 8;
        continue;
      }
      if (Matches(x)) return x;
      ++x;
    }
    return -1;
  }

  void Write(std::int32_t x0, std::int32_t x1, std::uint8_t index) {
    std::memset(pixels_ + x0, index, static_cast<std::size_t>(x1 - x0 + 1));
  }

 private:
  std::uint64_t Load(std::int32_t x) const {
    std::uint64_t v;
    std::memcpy(&v, pixels_ + x, sizeof v);
    return v;
  }

  std::uint8_t* pixels_;
  const std::uint8_t* tiles_ = nullptr;
  std::int32_t tileColumns_ = 0;
  std::int32_t lo_;
  std::int32_t hi_;
  std::uint8_t target_;
  std::uint64_t pattern_;
};

}  // namespace

std::vector<PixelSpan> FloodFill(PixelGrid& pixels, const PixelGrid& tileMap, SpritePoint seed,
                                 std::uint8_t index, FillScope scope) {
  std::vector<PixelSpan> filled;
  if (!pixels.Contains(seed.x, seed.y)) return filled;
  if (tileMap.ValueOr0(seed.x >> 3, seed.y >> 3) != kTileWhite) return filled;
  const std::uint8_t target = pixels.At(seed.x, seed.y);
  if (target == index) return filled;

  std::int32_t left = 0, top = 0;
  std::int32_t right = pixels.Width() - 1, bottom = pixels.Height() - 1;
  if (scope == FillScope::WithinTile) {
    left = seed.x & ~7;
    top = seed.y & ~7;
    right = std::min(right, left + 7);
    bottom = std::min(bottom, top + 7);
  }
  auto row = [&](std::int32_t y) { return Row(pixels, tileMap, y, left, right, target); };

  // Spans of rows still to search, each next to a span already filled.
  std::vector<PixelSpan> pending;
  auto fill = [&](Row& r, std::int32_t y, std::int32_t x0, std::int32_t x1) {
    r.Write(x0, x1, index);
    filled.push_back({y, x0, x1});
    if (y > top) pending.push_back({y - 1, x0, x1});
    if (y < bottom) pending.push_back({y + 1, x0, x1});
  };

  {
    Row first = row(seed.y);
    fill(first, seed.y, first.RunStart(seed.x), first.RunEnd(seed.x));
  }
  while (!pending.empty()) {
    const PixelSpan span = pending.back();
    pending.pop_back();
    Row r = row(span.y);
    std::int32_t x = r.NextMatch(span.x0, span.x1);
    while (x >= 0) {
      // A run found past the span's start begins right after a pixel that did not match.
      const std::int32_t start = x == span.x0 ? r.RunStart(x) : x;
      const std::int32_t end = r.RunEnd(x);
      fill(r, span.y, start, end);
      if (end + 2 > span.x1) break;
      x = r.NextMatch(end + 2, span.x1);
    }
  }
  return filled;
}

}  // namespace kerrow
