// A deliberately plain encoder: at every position it tries every earlier
// position of the window. Slow, but obviously right: the one reference that the
// tests and the fuzzers compare the library's streams and match finders with,
// and that the benchmarks measure the speed-up against.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace droven::reference {

class ItemWriter {
 public:
  explicit ItemWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void Bit(bool set) {
    if (set) flags_ |= static_cast<std::uint16_t>(1u << next_);
    if (++next_ == 16) Flush();
  }
  void Data(std::uint8_t byte) { pending_.push_back(byte); }
  void Flush() {
    out_.push_back(static_cast<std::uint8_t>(flags_ & 0xFF));
    out_.push_back(static_cast<std::uint8_t>(flags_ >> 8));
    out_.insert(out_.end(), pending_.begin(), pending_.end());
    flags_ = 0;
    next_ = 0;
    pending_.clear();
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::uint16_t flags_ = 0;
  int next_ = 0;
  std::vector<std::uint8_t> pending_;
};

struct LongestMatch {
  std::size_t length = 0;    // 0 when no earlier position matches two bytes or more
  std::size_t distance = 0;
};

// The longest match for data[p..] among the positions j = p - 1 down to the
// window's start or `start`, whichever is nearer, the nearest among equally long
// ones; lengths stop at 256 bytes and at `end`.
inline LongestMatch FindLongest(std::span<const std::uint8_t> data, std::size_t p, std::size_t start,
                                std::size_t end) {
  const std::size_t limit = std::min<std::size_t>(256, end - p);
  const std::size_t lowest = std::max(start, p > 8192 ? p - 8192 : 0);
  std::size_t best = 1, bestJ = 0;
  for (std::size_t j = p; j-- > lowest;) {
    std::size_t len = 0;
    while (len < limit && data[j + len] == data[p + len]) ++len;
    if (len > best) {
      best = len;
      bestJ = j;
    }
  }
  if (best < 2) return {};
  return {best, p - bestJ};
}

inline void EncodeModule(std::span<const std::uint8_t> m, std::vector<std::uint8_t>& out) {
  ItemWriter w(out);
  const std::size_t n = m.size();
  std::size_t p = 0;
  if (n > 0) {
    w.Bit(true);
    w.Data(m[0]);
    p = 1;
  }
  while (p < n) {
    const LongestMatch found = FindLongest(m, p, 0, n);
    const std::size_t best = std::max<std::size_t>(found.length, 1);
    const std::size_t distance = found.distance;
    if (best == 1 || (best == 2 && distance > 256)) {
      w.Bit(true);
      w.Data(m[p]);
      ++p;
      continue;
    }
    if (best <= 5 && distance <= 256) {
      const std::size_t code = best - 2;
      w.Bit(false);
      w.Bit(false);
      w.Bit(code & 2);
      w.Bit(code & 1);
      w.Data(static_cast<std::uint8_t>((256 - distance) & 0xFF));
    } else {
      const std::size_t v = 8192 - distance;
      w.Bit(false);
      w.Bit(true);
      w.Data(static_cast<std::uint8_t>(v & 0xFF));
      if (best <= 9) {
        w.Data(static_cast<std::uint8_t>(8 * (v >> 8) + (best - 2)));
      } else {
        w.Data(static_cast<std::uint8_t>(8 * (v >> 8)));
        w.Data(static_cast<std::uint8_t>(best - 1));
      }
    }
    p += best;
  }
  w.Bit(false);
  w.Bit(true);
  w.Data(0x00);
  w.Data(0xF0);
  w.Data(0x00);
  w.Flush();
}

// Plain mode: one module. Module mode: a big-endian 16-bit total, then modules
// of 4096 bytes; the caller keeps module mode to at most 65535 bytes.
inline std::vector<std::uint8_t> Encode(std::span<const std::uint8_t> data, bool moduleMode) {
  std::vector<std::uint8_t> out;
  if (!moduleMode) {
    EncodeModule(data, out);
    return out;
  }
  out.push_back(static_cast<std::uint8_t>(data.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(data.size() & 0xFF));
  if (data.empty()) EncodeModule(data, out);
  for (std::size_t start = 0; start < data.size(); start += 4096)
    EncodeModule(data.subspan(start, std::min<std::size_t>(4096, data.size() - start)), out);
  return out;
}

}  // namespace droven::reference
