#include "codec_small_finder.h"

#include <algorithm>
#include <vector>

#include "codec_chain_walk.h"

namespace droven::detail {
namespace {

// The reserve plus what the positions earn, without overflowing.
std::ptrdiff_t Budget(std::size_t size, std::size_t visitsPerPosition, std::ptrdiff_t reserve) {
  const auto earned = static_cast<std::ptrdiff_t>(size * visitsPerPosition);
  return reserve > PTRDIFF_MAX - earned ? PTRDIFF_MAX : reserve + earned;
}

}  // namespace

bool SmallInputFinder::Suits(std::span<const std::uint8_t> data, std::size_t moduleSize,
                             const TwoByteHeads& head2) {
  // Where runs and short periods make up half the input, the quick chains,
  // which enter only the last period of a long run, are faster.
  return data.size() <= kWindow && data.size() <= moduleSize && !head2.MostlyPeriodic();
}

SmallInputFinder::SmallInputFinder(std::span<const std::uint8_t> data,
                                   std::size_t visitsPerPosition, std::ptrdiff_t reserve)
    : SmallInputFinder(data, TwoByteHeads(data), visitsPerPosition, reserve) {}

SmallInputFinder::SmallInputFinder(std::span<const std::uint8_t> data, TwoByteHeads head2,
                                   std::size_t visitsPerPosition, std::ptrdiff_t reserve)
    : data_(data),
      previous_(std::make_unique_for_overwrite<std::uint16_t[]>(3 * data.size() + 1)),
      previous2_(previous_.get()),
      previous3_(previous2_ + data.size()),
      previous4_(previous3_ + data.size()),
      budget_(Budget(data.size(), visitsPerPosition, reserve)) {
  const std::size_t n = data.size();
  const std::uint8_t* bytes = data.data();
  const unsigned bits = ChainHashBits(n);
  const unsigned shift = 32 - bits;
  // The heads are needed only here.
  std::vector<std::uint16_t> heads(std::size_t{2} << bits, 0);
  // In locals: a store through a member could change the member as far as the
  // compiler knows, and every position would reload them.
  std::uint16_t* const previous2 = previous2_;
  std::uint16_t* const previous3 = previous3_;
  std::uint16_t* const previous4 = previous4_;
  std::uint16_t* const head3 = heads.data();
  std::uint16_t* const head4 = head3 + (std::size_t{1} << bits);
  std::size_t x = 0;
  for (; x + 4 <= n; ++x) {
    const std::uint32_t key = Load4(bytes + x);
    const auto entry = static_cast<std::uint16_t>(x + 1);
    previous2[x] = head2.Get(key & 0xFFFF);
    head2.Set(key & 0xFFFF, entry);
    EnterChains(key, entry, shift, head3, head4, previous3[x], previous4[x]);
  }
  // The last positions have the shorter keys only.
  for (; x + 2 <= n; ++x) {
    const auto entry = static_cast<std::uint16_t>(x + 1);
    previous2[x] = head2.Get(Key2(bytes + x));
    head2.Set(Key2(bytes + x), entry);
    if (x + 3 <= n) {
      std::uint16_t& h3 = head3[HashKey(Key3(bytes + x), shift)];
      previous3[x] = h3;
      h3 = entry;
    }
  }
}

// Inlined into both callers: it runs once per position the parse stops at.
[[gnu::always_inline]] inline Match SmallInputFinder::Search(std::size_t p) {
  const std::size_t n = data_.size();
  if (n - p < 2) return {};
  const std::uint32_t entry2 = previous2_[p];
  if (entry2 == 0) return {};  // without a two-byte match there is no longer one
  const std::size_t distance2 = p + 1 - entry2;
  const std::size_t limit = std::min(kMaxMatch, n - p);
  if (limit < 3) return {2, distance2};
  const std::uint8_t* data = data_.data();
  const std::uint8_t* here = data + p;
  const std::uint16_t* previous3 = previous3_;
  std::size_t visits = 0;
  const std::uint32_t nearest3 = NearestSharing3(
      data, here, previous3[p], 0, [previous3](std::size_t j) { return previous3[j]; }, visits);
  Match found{2, distance2};
  if (nearest3 != 0) {
    found = {3, p + 1 - nearest3};
    if (limit >= 4) {
      // Every position is entered, so a stretch's positions all follow each
      // other in the chain and the walk may jump within any stretch.
      const std::uint16_t* previous4 = previous4_;
      const auto previous = [previous4](std::size_t j) { return previous4[j]; };
      const std::size_t period = OpeningPeriod(here);
      const Match longer =
          period == 0 ? LongestAlongChain<0>(data, p, previous4[p], 0, 0, limit, previous, visits)
          : period == 1
              ? LongestAlongChain<1>(data, p, previous4[p], 0, 0, limit, previous, visits)
              : LongestAlongChain<2>(data, p, previous4[p], 0, 0, limit, previous, visits);
      if (longer.length != 0) found = longer;
    }
  }
  budget_ -= static_cast<std::ptrdiff_t>(visits);
  return found;
}

Match SmallInputFinder::Find(std::size_t p, std::size_t, std::size_t) {
  return Search(p);
}

NextCopy SmallInputFinder::FindNextCopy(std::size_t p, std::size_t, std::size_t) {
  const std::size_t n = data_.size();
  const std::uint16_t* previous2 = previous2_;
  for (; p < n; ++p) {
    // A position that no earlier one shares two bytes with is a literal.
    while (p + 2 <= n && previous2[p] == 0) ++p;
    const Match found = Search(p);
    if (Exhausted() || IsCopy(found)) return {p, found};
  }
  return {n, {}};
}

}  // namespace droven::detail
