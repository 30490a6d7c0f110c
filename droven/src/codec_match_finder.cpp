#include "codec_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace droven::detail {
namespace {

std::uint64_t Load64(const std::uint8_t* at) {
  std::uint64_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

std::uint32_t Load32(const std::uint8_t* at) {
  std::uint32_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

constexpr std::uint64_t kMul1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMul2 = 0xC2B2AE3D27D4EB4Full;

}  // namespace

std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                         std::size_t limit) {
  std::size_t k = from;
  while (k + 8 <= limit) {
    const std::uint64_t diff = Load64(a + k) ^ Load64(b + k);
    if (diff != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return k + static_cast<std::size_t>(__builtin_ctzll(diff) / 8);
      } else {
        while (a[k] == b[k]) ++k;
        return k;
      }
    }
    k += 8;
  }
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

KeyChain::KeyChain(std::size_t keyLength, unsigned hashBits)
    : keyLength_(keyLength),
      hashBits_(hashBits),
      head_(std::size_t{1} << hashBits, kNone),
      prev_(kWindow, kNone),
      segment_(kWindow, kNone) {}

std::uint32_t KeyChain::Hash(const std::uint8_t* at) const {
  std::uint64_t key = 0;
  switch (keyLength_) {
    case 2:
      return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
    case 3:
      key = at[0] | (at[1] << 8) | (static_cast<std::uint64_t>(at[2]) << 16);
      break;
    case 4:
      key = Load32(at);
      break;
    case 6:
      key = Load32(at) | (static_cast<std::uint64_t>(at[4] | (at[5] << 8)) << 32);
      break;
    case 8:
      key = Load64(at);
      break;
    default:  // multiples of 8
      for (std::size_t k = 0; k < keyLength_; k += 8) key = (key ^ Load64(at + k)) * kMul2;
      break;
  }
  return static_cast<std::uint32_t>((key * kMul1) >> (64 - hashBits_));
}

void KeyChain::Insert(const std::uint8_t* data, std::size_t pos) {
  const std::uint32_t slot = Hash(data + pos);
  const std::uint32_t before = head_[slot];
  head_[slot] = static_cast<std::uint32_t>(pos);
  prev_[pos & kMask] = before;

  std::uint32_t start = static_cast<std::uint32_t>(pos);
  if (before != kNone && before + kWindow >= pos) {
    const std::size_t gap = pos - before;
    const std::uint32_t beforePrev = prev_[before & kMask];
    const bool sameGap = beforePrev != kNone && before - beforePrev == gap &&
                         segment_[before & kMask] != before;
    bool linked = true;
    if (gap == 1) {
      // A gap of one means a run, but only if the keys really are equal (the
      // search relies on that); a hash collision breaks the segment.
      linked = sameGap ? data[pos + keyLength_ - 1] == data[pos]
                       : std::memcmp(data + before, data + pos, keyLength_) == 0;
    }
    if (linked) start = sameGap ? segment_[before & kMask] : before;
  }
  segment_[pos & kMask] = start;
}

void KeyChain::CatchUp(const std::uint8_t* data, std::size_t pos, std::size_t lowest,
                       std::size_t moduleEnd) {
  std::size_t next = std::max(inserted_, lowest);
  for (; next < pos && next + keyLength_ <= moduleEnd; ++next) Insert(data, next);
  inserted_ = std::max(inserted_, pos);
}

Match KeyChain::Search(const std::uint8_t* data, std::size_t end, std::size_t p,
                       std::size_t lowest, std::size_t limit, std::size_t enough) const {
  Match best;
  std::size_t bestPos = 0;
  // Run length at p of the byte `runByte`, computed when first needed.
  int runByte = -1;
  std::size_t runAtP = 0;

  auto consider = [&](std::size_t candidate, std::size_t known) {
    const std::size_t length = CommonLength(data + candidate, data + p, known, limit);
    if (length > best.length) {
      best.length = length;
      bestPos = candidate;
    }
    return length;
  };

  std::size_t j = head_[Hash(data + p)];
  while (j != kNone && j >= lowest) {
    const std::uint32_t before = prev_[j & kMask];
    const std::size_t start = segment_[j & kMask];

    if (j + 1 < p && before != kNone && j - before == 1 && start < j) {
      // A run of byte c: entry x has run length e - x. Against a run of length
      // r at p, shorter runs give their own length and longer ones give r, so
      // the only entry worth comparing is the one whose run is exactly r long
      // (or the farthest, when every run here is shorter).
      const std::uint8_t c = data[j];
      std::size_t e = j + keyLength_;
      while (e < end && data[e] == c) ++e;
      if (runByte != c) {
        runByte = c;
        runAtP = 0;
        while (runAtP < limit && data[p + runAtP] == c) ++runAtP;
      }
      const std::size_t low = std::max<std::size_t>(start, lowest);
      const std::size_t target = e >= low + runAtP ? e - runAtP : low;
      const std::size_t candidate = std::min(target, j);
      consider(candidate, std::min(e - candidate, runAtP));
      if (best.length >= enough) break;
      if (start < lowest) break;
      j = prev_[start & kMask];
      continue;
    }

    const std::size_t length = consider(j, 0);
    if (best.length >= enough) break;
    const std::size_t period = p - j;
    if (length >= period) {
      // data[j..p+length) repeats with this period. Every candidate inside that
      // stretch matches at most as far as the nearest copy of the period did
      // (the nearer ones were already counted), so the whole stretch is passed.
      std::size_t stretch = j;
      while (stretch > lowest && data[stretch - 1] == data[stretch - 1 + period]) --stretch;
      j = FirstEntryBelow(j, stretch, lowest);
      continue;
    }
    j = before;
  }

  if (best.length > 0) best.distance = p - bestPos;
  return best;
}

std::size_t KeyChain::FirstEntryBelow(std::size_t j, std::size_t bound, std::size_t lowest) const {
  while (j != kNone && j >= lowest && j >= bound) {
    const std::uint32_t before = prev_[j & kMask];
    const std::size_t start = segment_[j & kMask];
    if (before == kNone || start == j) {
      j = before;
      continue;
    }
    const std::size_t gap = j - before;
    if (start >= bound) {
      if (start < lowest) return kNone;
      j = prev_[start & kMask];
    } else {
      j -= ((j - bound) / gap + 1) * gap;
    }
  }
  return j;
}

MatchFinder::MatchFinder(std::span<const std::uint8_t> data) : data_(data) {
  // Longest keys first: the first chain holding a true match of its key length
  // holds every candidate that can win.
  const unsigned bits = data.size() < 4096 ? 12 : 15;
  for (std::size_t key : {32, 16, 8, 4, 3}) chains_.push_back(std::make_unique<KeyChain>(key, bits));
  chains_.push_back(std::make_unique<KeyChain>(2, 16));
}

MatchFinder::~MatchFinder() = default;

Match MatchFinder::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  const std::size_t limit = std::min(kMaxMatch, moduleEnd - p);
  if (limit < 2) return {};
  const std::size_t lowest = std::max(moduleStart, p >= kWindow ? p - kWindow : 0);
  std::size_t enough = limit;
  for (const auto& chain : chains_) {
    const std::size_t key = chain->KeyLength();
    if (key > limit) continue;
    chain->CatchUp(data_.data(), p, lowest, moduleEnd);
    const Match found = chain->Search(data_.data(), moduleEnd, p, lowest, limit, enough);
    if (found.length >= key) return found;
    // Nothing reaches this key length, so the next chain may stop at one less.
    enough = key - 1;
  }
  return {};
}

}  // namespace droven::detail
