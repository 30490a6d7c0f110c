#include "ReferenceCompressor.h"

#include <algorithm>

namespace droven::test {
namespace {

// Pending flag word with its pending data bytes, written out when bit 15 fills.
struct Pending {
  std::vector<std::uint8_t>& out;
  unsigned flags = 0;
  unsigned next = 0;
  std::vector<std::uint8_t> data{};

  void Bit(unsigned bit) {
    if (bit) flags |= 1u << next;
    if (++next == 16) {
      Flush();
      flags = 0;
      next = 0;
    }
  }
  void Flush() {
    out.push_back(static_cast<std::uint8_t>(flags & 0xFF));
    out.push_back(static_cast<std::uint8_t>(flags >> 8));
    out.insert(out.end(), data.begin(), data.end());
    data.clear();
  }
};

void CompressModule(std::span<const std::uint8_t> m, std::vector<std::uint8_t>& out) {
  Pending pending{out};
  const std::size_t n = m.size();
  pending.Bit(1);
  pending.data.push_back(m[0]);
  std::size_t p = 1;
  while (p < n) {
    const std::size_t limit = std::min<std::size_t>(256, n - p);
    const std::size_t lowest = p > 8192 ? p - 8192 : 0;
    std::size_t best = 1;
    std::size_t bestJ = 0;
    for (std::size_t j = p; j-- > lowest;) {
      std::size_t length = 0;
      while (length < limit && m[j + length] == m[p + length]) ++length;
      if (length > best) {
        best = length;
        bestJ = j;
      }
    }
    const std::size_t distance = p - bestJ;
    if (best == 1 || (best == 2 && distance > 256)) {
      pending.Bit(1);
      pending.data.push_back(m[p]);
      p += 1;
      continue;
    }
    if (best <= 5 && distance <= 256) {
      pending.Bit(0);
      pending.Bit(0);
      pending.Bit(((best - 2) >> 1) & 1);
      pending.Bit((best - 2) & 1);
      pending.data.push_back(static_cast<std::uint8_t>((256 - distance) % 256));
    } else {
      const std::size_t v = 8192 - distance;
      pending.Bit(0);
      pending.Bit(1);
      pending.data.push_back(static_cast<std::uint8_t>(v % 256));
      if (best <= 9) {
        pending.data.push_back(static_cast<std::uint8_t>(8 * (v / 256) + (best - 2)));
      } else {
        pending.data.push_back(static_cast<std::uint8_t>(8 * (v / 256)));
        pending.data.push_back(static_cast<std::uint8_t>(best - 1));
      }
    }
    p += best;
  }
  pending.Bit(0);
  pending.Bit(1);
  pending.data.insert(pending.data.end(), {0x00, 0xF0, 0x00});
  pending.Flush();
}

}  // namespace

std::vector<std::uint8_t> ReferenceCompress(std::span<const std::uint8_t> data, bool moduleMode) {
  std::vector<std::uint8_t> out;
  if (!moduleMode) {
    CompressModule(data, out);
    return out;
  }
  out.push_back(static_cast<std::uint8_t>(data.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(data.size() & 0xFF));
  for (std::size_t start = 0; start < data.size(); start += 4096) {
    CompressModule(data.subspan(start, std::min<std::size_t>(4096, data.size() - start)), out);
  }
  return out;
}

}  // namespace droven::test
