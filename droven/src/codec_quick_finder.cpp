#include "codec_quick_finder.h"

#include <algorithm>
#include <utility>

namespace droven::detail {

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
    EnterChains(key, entry, shift, head3, head4, prev3[slot], prev4[slot]);
  }
};

template <class Entry>
[[gnu::always_inline]] inline auto BasicQuickFinder<Entry>::LocalHeads() -> Heads {
  return {&head2_, head3_.data(), prev3_.get(), head4_.data(), prev4_.get(), 32 - hashBits_};
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
    : BasicQuickFinder(data, TwoByteHeads(data), visitsPerPosition, reserve, moduleSize) {}

template <class Entry>
BasicQuickFinder<Entry>::BasicQuickFinder(std::span<const std::uint8_t> data, TwoByteHeads head2,
                                          std::size_t visitsPerPosition, std::ptrdiff_t reserve,
                                          std::size_t moduleSize)
    : data_(data),
      // Sized for the positions that enter the chains: for a small input that
      // is mostly runs, far fewer than its bytes.
      hashBits_(ChainHashBits(std::min({data.size(), moduleSize, head2.BytesOutsideRuns()}))),
      head2_(std::move(head2)),
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
  // Past the end of what was known to agree, a new stretch starts at x.
  if (x > agreeEnd_) agreeFrom_ = x;
  return RepeatsInFull(data_.data(), x, period_, scanTo, moduleEnd, agreeEnd_);
}

template <class Entry>
void BasicQuickFinder<Entry>::NotePeriod(const Match& found) {
  const std::size_t period =
      found.length >= kPeriodicCopy && found.distance * 4 <= found.length ? found.distance : 0;
  if (period != period_) {
    period_ = period;
    agreeFrom_ = 0;
    agreeEnd_ = 0;
  }
}

template <class Entry>
[[gnu::always_inline]] inline Match BasicQuickFinder<Entry>::RunGoesOn(std::size_t p,
                                                                       std::size_t limit) const {
  // The agreement must cover the candidate period_ bytes back for a whole
  // match length: then it matches as far as any match can go.
  if (limit < 4 || agreeFrom_ + period_ > p || agreeEnd_ < p - period_ + limit) return {};
  // Only a run is nearer than a two-byte period, and it would start with p's byte.
  const std::uint8_t* here = data_.data() + p;
  if (period_ == 2 && here[-1] == here[0]) return {};
  return {limit, period_};
}

template <class Entry>
template <std::size_t kPeriod>
Match BasicQuickFinder<Entry>::SearchLong(std::size_t p, std::size_t lowest, std::size_t limit) {
  const Entry* prev4 = prev4_.get();
  std::size_t visits = 0;
  const Match found = LongestAlongChain<kPeriod>(
      data_.data(), p, head4_[Hash4(data_.data() + p, hashBits_)], lowest,
      std::max(lowest, enteredFrom_), limit, [prev4](std::size_t j) { return prev4[j & kMask]; },
      visits);
  visits_ += visits;
  return found;
}

template <class Entry>
std::uint32_t BasicQuickFinder<Entry>::Nearest3(std::size_t p, std::size_t lowest) {
  // Visits are counted in a local, as a store through a member could be read
  // back by any byte load.
  const Entry* prev3 = prev3_.get();
  std::size_t visits = 0;
  const std::uint32_t entry = NearestSharing3(
      data_.data(), data_.data() + p, head3_[Hash3(data_.data() + p, hashBits_)], lowest,
      [prev3](std::size_t j) { return prev3[j & kMask]; }, visits);
  visits_ += visits;
  return entry;
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
  if (period_ != 0 && period_ <= 2) {
    const Match run = RunGoesOn(p, limit);
    if (run.length != 0) return run;
  }
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
    const std::size_t period = OpeningPeriod(here);
    const Match found = period == 0   ? SearchLong<0>(p, lowest, limit)
                        : period == 1 ? SearchLong<1>(p, lowest, limit)
                                      : SearchLong<2>(p, lowest, limit);
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
