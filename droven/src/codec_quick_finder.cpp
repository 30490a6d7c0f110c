#include "codec_quick_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace droven::detail {
namespace {

constexpr std::uint32_t kHashMultiplier = 0x9E3779B1u;

// The keys are the bytes read as a little-endian number, on every host, so that
// the entering loops and the searches agree. Four bytes are read in one load.
[[gnu::always_inline]] inline std::uint32_t Load4(const std::uint8_t* at) {
  std::uint32_t key;
  std::memcpy(&key, at, sizeof key);
  if constexpr (std::endian::native == std::endian::big) {
    key = (key >> 24) | ((key >> 8) & 0xFF00) | ((key << 8) & 0xFF0000) | (key << 24);
  }
  return key;
}

// The three bytes at `at`, read one by one: the fourth may lie past the input.
std::uint32_t Key3(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (static_cast<std::uint32_t>(at[2]) << 16);
}

std::uint32_t Hash4(const std::uint8_t* at, unsigned bits) {
  return (Load4(at) * kHashMultiplier) >> (32 - bits);
}

std::uint32_t Hash3(const std::uint8_t* at, unsigned bits) {
  return (Key3(at) * kHashMultiplier) >> (32 - bits);
}

// How many bytes from `at` equal at[0], up to `cap` (at least 1).
std::size_t RunLength(const std::uint8_t* at, std::size_t cap) {
  return 1 + CommonLength(at, at + 1, 0, cap - 1);
}

// The lowest x from `bound` to j with data[x..j] all equal to data[j]
// (j itself when bound lies above it), found eight bytes at a time.
std::size_t RunStart(const std::uint8_t* data, std::size_t j, std::size_t bound) {
  if (bound >= j) return j;
  const std::uint8_t value = data[j];
  const std::uint64_t eight = 0x0101010101010101ull * value;
  std::size_t x = j;
  while (x - bound >= 8) {
    // The bytes before x, read as one number: the byte at x - 1 is its highest.
    const std::uint64_t other = Load64(data + x - 8) ^ eight;
    if (other != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return x - static_cast<std::size_t>(std::countl_zero(other) / 8);
      } else {
        return x - static_cast<std::size_t>(std::countr_zero(other) / 8);
      }
    }
    x -= 8;
  }
  while (x > bound && data[x - 1] == value) --x;
  return x;
}

std::uint32_t Key2(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}


}  // namespace

// The tables in locals, for the loops that enter positions: stores through
// the members could otherwise change the members themselves as far as the
// compiler knows, and every entry would reload them.
template <class Entry>
struct BasicQuickFinder<Entry>::Heads {
  TwoByteHeads* head2;
  Entry* head3;
  Entry* prev3;
  Entry* head4;
  Entry* prev4;
  unsigned shift;  // 32 minus the hash bits

  // Enters position x, whose four bytes are `key`, into all three tables.
  [[gnu::always_inline]] void Enter(std::size_t x, std::uint32_t key) const {
    const auto entry = static_cast<Entry>(x + 1);
    const std::size_t slot = x & kMask;
    head2->Set(key & 0xFFFF, static_cast<std::uint16_t>(x));
    Entry& h3 = head3[((key & 0xFFFFFF) * kHashMultiplier) >> shift];
    prev3[slot] = h3;
    h3 = entry;
    Entry& h4 = head4[(key * kHashMultiplier) >> shift];
    prev4[slot] = h4;
    h4 = entry;
  }
};

template <class Entry>
[[gnu::always_inline]] inline auto BasicQuickFinder<Entry>::LocalHeads() -> Heads {
  return {&head2_, head3_.data(), prev3_.get(), head4_.data(), prev4_.get(), 32 - hashBits_};
}

template <class Entry>
unsigned BasicQuickFinder<Entry>::HashBits(std::size_t size) {
  unsigned bits = 8;
  while (bits < 15 && (std::size_t{1} << bits) < 2 * size) ++bits;
  return bits;
}

template <class Entry>
std::size_t BasicQuickFinder<Entry>::PreviousSlots(std::size_t size) {
  // A position's slot is its index masked to the window: an input no longer
  // than the window uses the first `size` slots only.
  return std::max<std::size_t>(1, std::min(size, kWindow));
}

template <class Entry>
BasicQuickFinder<Entry>::BasicQuickFinder(std::span<const std::uint8_t> data,
                                          std::size_t visitsPerPosition, std::ptrdiff_t reserve,
                                          std::size_t moduleSize)
    : data_(data),
      hashBits_(HashBits(std::min(data.size(), moduleSize))),
      head2_(data),
      head3_(std::size_t{1} << hashBits_, 0),
      prev3_(std::make_unique_for_overwrite<Entry[]>(PreviousSlots(data.size()))),
      head4_(std::size_t{1} << hashBits_, 0),
      prev4_(std::make_unique_for_overwrite<Entry[]>(PreviousSlots(data.size()))),
      visitsPerPosition_(visitsPerPosition),
      reserve_(reserve),
      budget_(reserve) {}

template <class Entry>
void BasicQuickFinder<Entry>::Settle(std::size_t p) {
  const auto earned = static_cast<std::ptrdiff_t>((p - creditedTo_) * visitsPerPosition_);
  budget_ = std::min(reserve_, budget_ + earned) - static_cast<std::ptrdiff_t>(visits_ - settled_);
  settled_ = visits_;
  creditedTo_ = p;
}

// Inlined into Search: most searches enter a single position.
template <class Entry>
[[gnu::always_inline]] inline void BasicQuickFinder<Entry>::CatchUp(std::size_t p,
                                                                    std::size_t lowest,
                                                                    std::size_t moduleEnd) {
  const std::uint8_t* data = data_.data();
  std::size_t x = std::max(inserted_, lowest);
  // A key must lie inside the module; positions too close to its end can never
  // start a match of that key's length anyway.
  const std::size_t end4 = std::min(p, moduleEnd >= 4 ? moduleEnd - 3 : 0);
  const Heads heads = LocalHeads();
  for (; x < end4; ++x) heads.Enter(x, Load4(data + x));
  // The last positions of the module enter the shorter keys only.
  for (; x < p && x + 2 <= moduleEnd; ++x) {
    head2_.Set(Key2(data + x), static_cast<std::uint16_t>(x));
    if (x + 3 <= moduleEnd) {
      Entry& h3 = head3_[Hash3(data + x, hashBits_)];
      prev3_[x & kMask] = h3;
      h3 = static_cast<Entry>(x + 1);
    }
  }
  inserted_ = std::max(inserted_, p);
}

template <class Entry>
void BasicQuickFinder<Entry>::CatchUpRepeating(std::size_t p, std::size_t moduleStart,
                                               std::size_t moduleEnd) {
  // A new module starts afresh (Search sees to that).
  if (moduleStart != moduleStart_) return;
  const std::uint8_t* data = data_.data();
  std::size_t x = std::max({inserted_, moduleStart, p >= kWindow ? p - kWindow : 0});
  const std::size_t end = std::min(p, moduleEnd >= 4 ? moduleEnd - 3 : 0);
  const Heads heads = LocalHeads();
  while (x < end) {
    if (x + period_ < p && Repeats(x, p + kMaxMatch, moduleEnd)) {
      // Every position agreeing a full match length ahead repeats too.
      const std::size_t sure = agreeEnd_ >= kMaxMatch ? agreeEnd_ - kMaxMatch + 1 : 0;
      x = std::max(x + 1, std::min(p - period_, sure));
      enteredFrom_ = x;
      continue;
    }
    // Nor does any position up to where the agreement broke: each agrees less far.
    const std::size_t stop = x + period_ >= p ? end : std::min(end, agreeEnd_ + 1);
    do {
      heads.Enter(x, Load4(data + x));
    } while (++x < stop);
  }
  inserted_ = std::max(inserted_, x);
}

template <class Entry>
bool BasicQuickFinder<Entry>::Repeats(std::size_t x, std::size_t scanTo, std::size_t moduleEnd) {
  return RepeatsInFull(data_.data(), x, period_, scanTo, moduleEnd, agreeEnd_);
}

template <class Entry>
void BasicQuickFinder<Entry>::NotePeriod(const Match& found) {
  const std::size_t period =
      found.length >= kPeriodicCopy && found.distance * 4 <= found.length ? found.distance : 0;
  if (period != period_) {
    period_ = period;
    agreeEnd_ = 0;
  }
}

template <class Entry>
template <bool kOpensWithRun>
Match BasicQuickFinder<Entry>::SearchLong(std::size_t p, std::size_t lowest, std::size_t limit) {
  const std::uint8_t* data = data_.data();
  const std::uint8_t* here = data + p;
  std::size_t best = 3;  // only matches of four bytes or more come from this chain
  std::size_t bestPos = 0;
  std::size_t visits = 0;
  // When here's first four bytes are one value, every candidate lies in an
  // earlier run of it. A run's positions enter the chain one after another,
  // so the walk may jump within a run, but only from `floor` on, where none
  // was left out.
  const std::uint32_t key = Load4(here);
  const std::size_t floor = std::max(lowest, enteredFrom_);
  std::size_t run = 0;  // how many bytes from here equal here[0], once needed
  for (std::uint32_t entry = head4_[Hash4(here, hashBits_)]; entry > lowest;) {
    ++visits;
    const std::size_t j = entry - 1;
    entry = prev4_[j & kMask];
    if constexpr (kOpensWithRun) {
      // j lies in such a run, eight bytes long at least (shorter ones are
      // quicker to walk), and its positions back to floor are all entered.
      // Of its positions from j down, the one with exactly `run` bytes of the
      // run left (else the first, or j when all have more) matches longest:
      // each later one matches less, each earlier one `run` bytes and no more.
      if (entry == j && j >= floor + 8 && Load4(data + j - 4) == key &&
          Load4(data + j) == key) {
        if (run == 0) run = RunLength(here, limit);
        const std::size_t end = j + RunLength(data + j, limit);
        const std::size_t start = RunStart(data, j, floor);
        const std::size_t at = std::clamp(end >= run ? end - run : 0, start, j);
        const std::size_t length = CommonLength(data + at, here, 0, limit);
        visits += (end - start + length) / 32;
        entry = prev4_[start & kMask];
        if (length > best) {
          best = length;
          bestPos = at;
          if (best == limit) break;
        }
        continue;
      }
    }
    // Only a candidate that agrees up to the byte past the best so far can
    // beat it: the four bytes ending there are tested with one load, which
    // turns away more candidates than that byte alone, for the same cost.
    if (Load4(data + j + best - 3) != Load4(here + best - 3)) continue;
    const std::size_t length = CommonLength(data + j, here, 0, limit);
    visits += length / 32;  // long comparisons count as more work
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

template <class Entry>
std::uint32_t BasicQuickFinder<Entry>::Nearest3(std::size_t p, std::size_t lowest) {
  const std::uint8_t* data = data_.data();
  const std::uint8_t* here = data + p;
  // The chain holds every position with this hash; the first sharing the three
  // bytes themselves is the nearest. A candidate's three bytes are read as four
  // (it lies before p, and p has three), and visits are counted in a local, as
  // a store through a member could be read back by any byte load.
  const std::uint32_t key = Key3(here);
  std::size_t visits = 0;
  std::uint32_t entry = head3_[Hash3(here, hashBits_)];
  for (; entry > lowest; entry = prev3_[(entry - 1) & kMask]) {
    ++visits;
    if ((Load4(data + entry - 1) & 0xFFFFFF) == key) break;
  }
  visits_ += visits;
  return entry > lowest ? entry : 0;
}

// Inlined into both callers: it runs once per position of a literal run.
template <class Entry>
[[gnu::always_inline]] inline Match BasicQuickFinder<Entry>::Search(std::size_t p,
                                                                    std::size_t moduleStart,
                                                                    std::size_t moduleEnd) {
  if (moduleStart != moduleStart_) {
    moduleStart_ = moduleStart;
    inserted_ = moduleStart;
    enteredFrom_ = moduleStart;
    period_ = 0;
  }
  if (moduleEnd - p < 2) return {};
  const std::size_t limit = std::min(kMaxMatch, moduleEnd - p);
  const std::size_t lowest = std::max(moduleStart, p >= kWindow ? p - kWindow : 0);
  // The first head the search reads is rarely in cache; fetch it while the
  // positions before p are entered.
  const std::uint8_t* here = data_.data() + p;
  __builtin_prefetch(head2_.Address(Key2(here)));
  CatchUp(p, lowest, moduleEnd);
  // Each shorter prefix is looked up first: without a two-byte match there is
  // no longer one, which settles most literals with a single lookup.
  // The two-byte head keeps only the low 16 bits of a position: the nearest
  // position with those bits is the one meant if it holds the same two bytes
  // (a newer one would have replaced it), and otherwise there is none in reach.
  const std::size_t distance2 = (p - head2_.Get(Key2(here))) & 0xFFFF;
  if (distance2 == 0 || p - lowest < distance2) return {};
  const std::uint8_t* at2 = here - distance2;
  if (at2[0] != here[0] || at2[1] != here[1]) return {};
  if (limit < 3) return {2, distance2};
  const std::uint32_t nearest3 = Nearest3(p, lowest);
  if (nearest3 == 0) return {2, distance2};
  if (limit >= 4) {
    const std::uint32_t key = Load4(here);
    const Match found = key == (key & 0xFF) * 0x01010101u ? SearchLong<true>(p, lowest, limit)
                                                          : SearchLong<false>(p, lowest, limit);
    if (found.length != 0) return found;
  }
  return {3, p + 1 - nearest3};
}

template <class Entry>
std::size_t BasicQuickFinder<Entry>::SkipUnmatched(std::size_t p, std::size_t moduleStart,
                                                   std::size_t moduleEnd) {
  if (p + 4 > moduleEnd) return p;
  CatchUp(p, std::max(moduleStart, p >= kWindow ? p - kWindow : 0), moduleEnd);
  if (inserted_ != p) return p;
  const std::uint8_t* data = data_.data();
  const Heads heads = LocalHeads();
  // The same two-byte test as Search makes first, and the same entering as
  // CatchUp, fused: a position without a two-byte match in reach is a literal.
  // `reach` is how far back a search at p may look.
  std::size_t reach = std::min(p - moduleStart, kWindow);
  for (const std::size_t end4 = moduleEnd - 3; p < end4; ++p, reach += reach < kWindow) {
    const std::uint32_t key = Load4(data + p);
    const std::size_t distance2 = (p - heads.head2->Get(key & 0xFFFF)) & 0xFFFF;
    if (distance2 - 1 < reach) {  // a distance of 0 (none) wraps round and fails
      const std::uint8_t* at2 = data + p - distance2;
      if (at2[0] == data[p] && at2[1] == data[p + 1]) break;
    }
    heads.Enter(p, key);
  }
  inserted_ = p;
  return p;
}

template <class Entry>
Match BasicQuickFinder<Entry>::Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
  if (period_ != 0) CatchUpRepeating(p, moduleStart, moduleEnd);
  const Match found = Search(p, moduleStart, moduleEnd);
  NotePeriod(found);
  if (visits_ != settled_) Settle(p);
  return found;
}

template <class Entry>
NextCopy BasicQuickFinder<Entry>::FindNextCopy(std::size_t p, std::size_t moduleStart,
                                               std::size_t moduleEnd) {
  // The encoder asks right after writing a copy: enter what it stepped over.
  if (period_ != 0) CatchUpRepeating(p, moduleStart, moduleEnd);
  unsigned unmatched = 0;  // positions in a row without a two-byte match
  for (; p < moduleEnd; ++p) {
    const Match found = Search(p, moduleStart, moduleEnd);
    if (visits_ != settled_) {
      Settle(p);
      if (Exhausted()) return {p, found};
    }
    if (IsCopy(found)) {
      NotePeriod(found);
      return {p, found};
    }
    // After two positions in a row without even a two-byte match, more such
    // literals are likely to follow; where two-byte matches abound, the full
    // search is the cheaper test.
    unmatched = found.length == 0 ? unmatched + 1 : 0;
    if (unmatched == 2) {
      p = SkipUnmatched(p + 1, moduleStart, moduleEnd) - 1;
      unmatched = 0;
    }
  }
  return {moduleEnd, {}};
}

template class BasicQuickFinder<std::uint16_t>;
template class BasicQuickFinder<std::uint32_t>;

}  // namespace droven::detail
