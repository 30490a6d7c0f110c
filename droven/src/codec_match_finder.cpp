#include "codec_match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "codec_quick_finder.h"

namespace droven::detail {
namespace {

std::uint32_t Load32(const std::uint8_t* at) {
  std::uint32_t v;
  std::memcpy(&v, at, sizeof v);
  return v;
}

constexpr std::uint64_t kMul1 = 0x9E3779B97F4A7C15ull;
constexpr std::uint64_t kMul2 = 0xC2B2AE3D27D4EB4Full;

}  // namespace

bool RepeatsInFull(const std::uint8_t* data, std::size_t pos, std::size_t period,
                   std::size_t scanTo, std::size_t moduleEnd, std::size_t& agreeEnd) {
  // The nearer copy wins every later search if the two agree as far as it can match.
  const std::size_t needed = std::min(kMaxMatch, moduleEnd - pos - period);
  const std::size_t known = std::max(agreeEnd, pos) - pos;
  if (known < needed) {
    // Looking on up to scanTo lets the caller pass a whole stretch at once.
    const std::size_t scan = std::min(moduleEnd - pos - period, std::max(needed, scanTo - pos));
    agreeEnd = pos + LongCommonLength(data + pos, data + pos + period, known, scan);
  }
  return agreeEnd - pos >= needed;
}

KeyChain::KeyChain(std::size_t keyLength, unsigned hashBits)
    : keyLength_(keyLength),
      hashBits_(hashBits),
      head_(std::size_t{1} << hashBits, kNone),
      prev_(kWindow, kNone),
      segment_(kWindow, kNone) {
  const bool hashable = keyLength == 2 || keyLength == 3 || keyLength == 4 || keyLength == 6 ||
                        (keyLength % 8 == 0 && keyLength <= kMaxMatch);
  if (!hashable) throw std::invalid_argument("unsupported key length");
}

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
    default:  // multiples of 8 (the constructor allows no other length)
      for (std::size_t k = 0; k < keyLength_; k += 8) key = (key ^ Load64(at + k)) * kMul2;
      break;
  }
  return static_cast<std::uint32_t>((key * kMul1) >> (64 - hashBits_));
}

bool KeyChain::SameKey(const std::uint8_t* a, const std::uint8_t* b) const {
  switch (keyLength_) {
    case 2:
      return a[0] == b[0] && a[1] == b[1];
    case 4:
      return Load32(a) == Load32(b);
    case 8:
      return Load64(a) == Load64(b);
    case 16:
      return Load64(a) == Load64(b) && Load64(a + 8) == Load64(b + 8);
    default:
      return std::memcmp(a, b, keyLength_) == 0;
  }
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
    const bool sameGap =
        beforePrev != kNone && before - beforePrev == gap && segment_[before & kMask] != before;
    // Entries closer than a key length with truly equal keys make the data
    // between them periodic, which the search relies on; a hash collision
    // therefore breaks the segment.
    if (gap > keyLength_ || SameKey(data + before, data + pos)) {
      start = sameGap ? segment_[before & kMask] : before;
    }
  }
  segment_[pos & kMask] = start;
}

void KeyChain::CatchUp(const std::uint8_t* data, std::size_t pos, std::size_t lowest,
                       std::size_t moduleEnd, std::size_t period) {
  std::size_t next = std::max(inserted_, lowest);
  if (period != agreePeriod_) {
    agreePeriod_ = period;
    agreeEnd_ = 0;
  }
  for (; next < pos; ++next) {
    if (period != 0 && next + period < pos) {
      const std::size_t needed = std::min(kMaxMatch, moduleEnd - next - period);
      std::size_t end = std::max(agreeEnd_, next);
      while (end - next < needed && data[end] == data[end + period]) ++end;
      agreeEnd_ = end;
      if (end - next >= needed) continue;
    }
    Insert(data, next);
  }
  inserted_ = std::max(inserted_, pos);
}

Match KeyChain::Search(const std::uint8_t* data, std::size_t p, std::size_t lowest,
                       std::size_t limit, std::size_t enough) const {
  Match best;
  std::size_t bestPos = 0;

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

    const std::size_t gap = before != kNone ? j - before : 0;
    if (start < j && gap <= keyLength_) {
      // data[start..e) repeats with period `gap`, and the entries are the
      // positions of one phase of it. An entry x agrees with the pattern for
      // e - x bytes; p agrees with it for some `follow` bytes. Entries that
      // agree less give their own length, those that agree more give `follow`,
      // so only the entry agreeing exactly `follow` bytes (or, failing that, the
      // nearest one agreeing more, or the farthest) needs comparing.
      std::size_t e = j + keyLength_;
      while (e < p && data[e] == data[e - gap]) ++e;
      if (e < p) {
        std::size_t follow = CommonLength(data + j, data + p, 0, limit);
        if (follow != e - j) {
          // p leaves the pattern before j does, or exactly where j does and
          // then matches on: either way no farther entry beats j.
          consider(j, follow);
        } else {
          while (follow < limit && data[p + follow] == data[p + follow - gap]) ++follow;
          const std::size_t low = j - (j - std::max<std::size_t>(start, lowest)) / gap * gap;
          std::size_t candidate = low;
          if (e >= low + follow) candidate = j - (j - (e - follow) + gap - 1) / gap * gap;
          consider(candidate, std::min(e - candidate, follow));
        }
        if (best.length >= enough) break;
        if (start < lowest) break;
        j = prev_[start & kMask];
        continue;
      }
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

ChainFinder::ChainFinder(std::span<const std::uint8_t> data) : data_(data) {
  // Longest keys first: the first chain holding a true match of its key length
  // holds every candidate that can win.
  const unsigned bits = data.size() < 4096 ? 12 : 13;
  for (std::size_t key : {16, 8, 4}) chains_.push_back(std::make_unique<KeyChain>(key, bits));
  chains_.push_back(std::make_unique<KeyChain>(2, 16));
}

ChainFinder::~ChainFinder() = default;

Match ChainFinder::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  const std::size_t limit = std::min(kMaxMatch, moduleEnd - p);
  if (limit < 2) return {};
  const std::size_t lowest = std::max(moduleStart, p >= kWindow ? p - kWindow : 0);
  std::size_t enough = limit;
  for (const auto& chain : chains_) {
    const std::size_t key = chain->KeyLength();
    if (key > limit) continue;
    chain->CatchUp(data_.data(), p, lowest, moduleEnd, lastDistance_);
    const Match found = chain->Search(data_.data(), p, lowest, limit, enough);
    if (found.length >= key) {
      lastDistance_ = found.distance;
      return found;
    }
    // Nothing reaches this key length, so the next chain may stop at one less.
    enough = key - 1;
  }
  return {};
}

TreeFinder::TreeFinder(std::span<const std::uint8_t> data)
    : data_(data), head_(std::size_t{1} << 16, kNone), children_(2 * kSlots) {}

bool TreeFinder::RepeatsLater(std::size_t pos, std::size_t scanTo, std::size_t moduleEnd) {
  return RepeatsInFull(data_.data(), pos, period_, scanTo, moduleEnd, agreeEnd_);
}

Match TreeFinder::Insert(std::size_t pos, std::size_t moduleStart, std::size_t moduleEnd) {
  const std::uint8_t* data = data_.data();
  const std::size_t cap = std::min(kMaxMatch, moduleEnd - pos);
  const std::size_t lowest = std::max(moduleStart, pos >= kWindow ? pos - kWindow : 0);

  std::uint32_t& head = head_[data[pos] | (data[pos + 1] << 8)];
  std::size_t node = head;
  head = static_cast<std::uint32_t>(pos);

  // Where the next node found larger ([0]) or smaller ([1]) than pos is hung, and
  // how far the last one hung there agreed with pos: every node still below
  // agrees at least as far as the lesser of the two.
  std::uint32_t* slot[2] = {&children_[2 * (pos & kMask)], &children_[2 * (pos & kMask) + 1]};
  std::size_t common[2] = {2, 2};

  std::size_t bestLength = 1;
  std::size_t bestPos = 0;
  ++insertedCount_;
  // Nodes below one that left the window are older still, so the walk ends there.
  while (node != kNone && node >= lowest) {
    ++nodesVisited_;
    const std::size_t length =
        CommonLength(data + node, data + pos, std::min(common[0], common[1]), cap);
    if (length > bestLength) {
      bestLength = length;
      bestPos = node;
    }
    const std::uint32_t* nodeChildren = &children_[2 * (node & kMask)];
    if (length == cap) {
      // Equal as far as any later search can look: pos takes the node's place
      // and the node, now never the nearest, leaves the tree.
      *slot[0] = nodeChildren[0];
      *slot[1] = nodeChildren[1];
      return {bestLength, pos - bestPos};
    }
    // A smaller node goes left of pos with its smaller children; the walk goes on
    // among its larger ones (and the other way round).
    if (data[node + length] < data[pos + length]) {
      *slot[1] = static_cast<std::uint32_t>(node);
      slot[1] = &children_[2 * (node & kMask)];
      common[1] = length;
      node = *slot[1];
    } else {
      *slot[0] = static_cast<std::uint32_t>(node);
      slot[0] = &children_[2 * (node & kMask) + 1];
      common[0] = length;
      node = *slot[0];
    }
  }
  *slot[0] = kNone;
  *slot[1] = kNone;
  if (bestLength < 2) return {};
  return {bestLength, pos - bestPos};
}

Match TreeFinder::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  if (moduleStart != moduleStart_) {
    moduleStart_ = moduleStart;
    inserted_ = moduleStart;
  }
  if (moduleEnd - p < 2) return {};
  // The positions a copy stepped over still become candidates for later ones.
  for (std::size_t x = std::max(inserted_, p >= kWindow ? p - kWindow : 0); x < p;) {
    if (period_ != 0 && x + period_ < p && RepeatsLater(x, p + kMaxMatch, moduleEnd)) {
      // Every position that agrees a full match length ahead repeats later too.
      const std::size_t sure = agreeEnd_ >= kMaxMatch ? agreeEnd_ - kMaxMatch + 1 : 0;
      x = std::max(x + 1, std::min(p - period_, sure));
      continue;
    }
    Insert(x, moduleStart, moduleEnd);
    ++x;
  }
  inserted_ = p + 1;
  const Match found = Insert(p, moduleStart, moduleEnd);
  if (found.length != 0 && found.distance != period_) {
    period_ = found.distance;
    agreeEnd_ = 0;
  }
  return found;
}

MatchFinder::MatchFinder(std::span<const std::uint8_t> data, std::ptrdiff_t quickReserve,
                         std::size_t moduleSize)
    : data_(data) {
  if (quickReserve < 0) {
    tree_ = std::make_unique<TreeFinder>(data);
  } else if (data.size() <= kSmallQuickInput) {
    // Both finders need the same two-byte table, and making it tells which suits.
    TwoByteHeads head2(data);
    if (SmallInputFinder::Suits(data, moduleSize, head2)) {
      small_ = std::make_unique<SmallInputFinder>(data, std::move(head2), kQuickVisitsPerPosition,
                                                  quickReserve);
    } else {
      quick16_ = std::make_unique<SmallQuickFinder>(data, std::move(head2), kQuickVisitsPerPosition,
                                                    quickReserve, moduleSize);
    }
  } else {
    quick32_ =
        std::make_unique<QuickFinder>(data, kQuickVisitsPerPosition, quickReserve, moduleSize);
  }
}

MatchFinder::~MatchFinder() = default;

Match MatchFinder::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  if (small_) return FindWithQuick(*small_, p, moduleStart, moduleEnd);
  if (quick16_) return FindWithQuick(*quick16_, p, moduleStart, moduleEnd);
  if (quick32_) return FindWithQuick(*quick32_, p, moduleStart, moduleEnd);
  return FindWithTree(p, moduleStart, moduleEnd);
}

template <class Quick>
Match MatchFinder::FindWithQuick(Quick& quick, std::size_t p, std::size_t moduleStart,
                                 std::size_t moduleEnd) {
  const Match found = quick.Find(p, moduleStart, moduleEnd);
  if (quick.Exhausted()) HandOverToTree();
  return found;
}

void MatchFinder::HandOverToTree() {
  small_.reset();
  quick16_.reset();
  quick32_.reset();
  tree_ = std::make_unique<TreeFinder>(data_);
}

NextCopy MatchFinder::FindNextCopyOtherwise(std::size_t p, std::size_t moduleStart,
                                            std::size_t moduleEnd) {
  if (quick16_) return FindNextCopyWithQuick(*quick16_, p, moduleStart, moduleEnd);
  if (quick32_) return FindNextCopyWithQuick(*quick32_, p, moduleStart, moduleEnd);
  for (; p < moduleEnd; ++p) {
    const Match found = FindWithTree(p, moduleStart, moduleEnd);
    if (IsCopy(found)) return {p, found};
  }
  return {moduleEnd, {}};
}

Match MatchFinder::FindWithTree(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  if (chains_) return chains_->Find(p, moduleStart, moduleEnd);
  const Match found = tree_->Find(p, moduleStart, moduleEnd);
  constexpr std::size_t kStretch = 8192;       // positions per check
  constexpr std::size_t kNodesPerInsert = 12;  // beyond this the chains are faster
  const std::size_t inserts = tree_->Inserted() - checkedInserts_;
  if (inserts >= kStretch) {
    const std::size_t nodes = tree_->NodesVisited() - checkedNodes_;
    if (nodes > kNodesPerInsert * inserts) {
      chains_ = std::make_unique<ChainFinder>(data_);
      tree_.reset();
    } else {
      checkedInserts_ = tree_->Inserted();
      checkedNodes_ = tree_->NodesVisited();
    }
  }
  return found;
}

}  // namespace droven::detail
