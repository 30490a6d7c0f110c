#include "codec_quick_finder.h"

#include <algorithm>
#include <cstring>

namespace droven::detail {
namespace {

std::uint32_t Hash4(const std::uint8_t* at, unsigned bits) {
  std::uint32_t v;
  std::memcpy(&v, at, sizeof v);
  return (v * 0x9E3779B1u) >> (32 - bits);
}

std::uint32_t Key2(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

}  // namespace

QuickFinder::QuickFinder(std::span<const std::uint8_t> data)
    : data_(data),
      head2_(std::size_t{1} << 16, 0),
      prev2_(kWindow, 0),
      head4_(std::size_t{1} << kHashBits, 0),
      prev4_(kWindow, 0) {}

void QuickFinder::CatchUp(std::size_t p, std::size_t lowest, std::size_t moduleEnd) {
  const std::uint8_t* data = data_.data();
  std::size_t x = std::max(inserted_, lowest);
  // A key must lie inside the module; positions too close to its end can never
  // start a match of that key's length anyway.
  const std::size_t end4 = std::min(p, moduleEnd >= 4 ? moduleEnd - 3 : 0);
  for (; x < end4; ++x) {
    const auto entry = static_cast<std::uint32_t>(x + 1);
    std::uint32_t& h2 = head2_[Key2(data + x)];
    prev2_[x & kMask] = h2;
    h2 = entry;
    std::uint32_t& h4 = head4_[Hash4(data + x, kHashBits)];
    prev4_[x & kMask] = h4;
    h4 = entry;
  }
  for (; x < p && x + 2 <= moduleEnd; ++x) {
    std::uint32_t& h2 = head2_[Key2(data + x)];
    prev2_[x & kMask] = h2;
    h2 = static_cast<std::uint32_t>(x + 1);
  }
  inserted_ = std::max(inserted_, p);
}

Match QuickFinder::SearchLong(std::size_t p, std::size_t lowest, std::size_t limit) {
  const std::uint8_t* data = data_.data();
  const std::uint8_t* here = data + p;
  std::size_t best = 3;  // only matches of four bytes or more come from this chain
  std::size_t bestPos = 0;
  std::size_t visits = 0;
  for (std::uint32_t entry = head4_[Hash4(here, kHashBits)]; entry > lowest;
       entry = prev4_[(entry - 1) & kMask]) {
    ++visits;
    const std::size_t j = entry - 1;
    // Only a candidate that agrees at the byte past the best so far can beat it.
    if (data[j + best] != here[best]) continue;
    const std::size_t length = CommonLength(data + j, here, 0, limit);
    if (length > best) {
      best = length;
      bestPos = j;
      if (best == limit) break;  // nothing older can be longer
    }
  }
  visits_ += visits;
  if (best < 4) return {};
  return {best, p - bestPos};
}

Match QuickFinder::SearchShort(std::size_t p, std::size_t lowest, std::size_t limit) {
  const std::uint8_t* data = data_.data();
  const std::uint32_t nearest = head2_[Key2(data + p)];
  if (nearest <= lowest) return {};
  if (limit >= 3) {
    // No match reaches four bytes, so the first entry agreeing at the third byte
    // is the longest and nearest.
    for (std::uint32_t entry = nearest; entry > lowest; entry = prev2_[(entry - 1) & kMask]) {
      ++visits_;
      if (data[entry - 1 + 2] == data[p + 2]) return {3, p + 1 - entry};
    }
  }
  return {2, p + 1 - nearest};
}

Match QuickFinder::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  if (moduleStart != moduleStart_) {
    moduleStart_ = moduleStart;
    inserted_ = moduleStart;
  }
  if (moduleEnd - p < 2) return {};
  const std::size_t limit = std::min(kMaxMatch, moduleEnd - p);
  const std::size_t lowest = std::max(moduleStart, p >= kWindow ? p - kWindow : 0);
  CatchUp(p, lowest, moduleEnd);
  if (limit >= 4) {
    const Match found = SearchLong(p, lowest, limit);
    if (found.length != 0) return found;
  }
  return SearchShort(p, lowest, limit);
}

}  // namespace droven::detail
