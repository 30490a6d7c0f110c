// The first match finder the encoder tries: a two-byte head table and two hash
// chains that every position enters in constant time, walked from the newest
// entry back only where the greedy parse actually searches (inside a copy nothing
// is searched).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <span>
#include <vector>

#include "codec_chain_walk.h"
#include "codec_match_finder.h"

namespace droven::detail {

// Longest and nearest match from a newest-first walk over every earlier position
// sharing the first four bytes with the searched one; failing that, the nearest
// sharing three, then two. A candidate is compared in full only when the four
// bytes up to the one that would make it longer than the best so far agree, so
// most entries cost one load.
//
// Work per searched position: at most kWindow entries of the three-byte chain,
// three bytes each, then at most kWindow entries of the four-byte chain, each
// compared for at most kMaxMatch bytes. Entering a position costs a constant. The
// finder counts its work and declares itself exhausted on inputs where the walks
// grow long; MatchFinder then hands the rest over to the tree.
//
// `Entry` holds a chain position plus one: 16 bits for an input that fits
// (halving the tables a small input clears and walks), 32 bits otherwise.
template <class Entry>
class BasicQuickFinder {
 public:
  // Every position passed earns `visitsPerPosition` visits, and no more than
  // `reserve` are kept, so an expensive stretch after a long cheap one is caught
  // soon; once the visits spent exceed those earned the finder is exhausted. By
  // default it never is.
  // `moduleSize` is the most bytes one module spans: the tables only need to
  // tell apart the positions a search can reach.
  explicit BasicQuickFinder(std::span<const std::uint8_t> data, std::size_t visitsPerPosition = 0,
                            std::ptrdiff_t reserve = PTRDIFF_MAX,
                            std::size_t moduleSize = SIZE_MAX);
  // The same, with the two-byte table already made for `data`.
  BasicQuickFinder(std::span<const std::uint8_t> data, TwoByteHeads head2,
                   std::size_t visitsPerPosition, std::ptrdiff_t reserve, std::size_t moduleSize);
  BasicQuickFinder(const BasicQuickFinder&) = delete;
  BasicQuickFinder& operator=(const BasicQuickFinder&) = delete;

  // Longest match for data[p..] within [moduleStart, moduleEnd); positions increase.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // The next copy from p on; stops early, at the position just searched, when
  // the finder becomes exhausted.
  NextCopy FindNextCopy(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  bool Exhausted() const { return budget_ < 0; }

 private:
  // Slots of the previous-entry tables for an input of `size` bytes.
  static std::size_t PreviousSlots(std::size_t size);
  // A copy at least this long that repeats its period four times or more (its
  // distance is at most a quarter of its length: a run or a short period) makes
  // the finder look for positions it need not enter (see Repeats); after other
  // copies the look would rarely pay.
  static constexpr std::size_t kPeriodicCopy = 32;
  static constexpr std::size_t kMask = kWindow - 1;

  // The tables as plain pointers, for the loops that enter many positions.
  struct Heads;
  Heads LocalHeads();
  Match Search(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // Credits the positions passed since the last visits were paid, pays the new ones.
  void Settle(std::size_t p);
  // Enters the positions from the last one entered up to p (those still in reach).
  void CatchUp(std::size_t p, std::size_t lowest, std::size_t moduleEnd);
  // CatchUp after an overlapping copy: leaves out the positions that Repeats.
  void CatchUpRepeating(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // True when data[x..] repeats in full period_ bytes later, as far as any
  // search can compare: that nearer position, entered too, matches every later
  // search at least as far, so x can never be the longest and nearest match
  // (nor the nearest sharing two, three or four bytes) and is not entered.
  // This is what makes runs and short periods cheap: of a run only the last
  // period's positions are entered. Looks ahead up to `scanTo`.
  bool Repeats(std::size_t x, std::size_t scanTo, std::size_t moduleEnd);
  // The match at p when the last copy went through a run or a two-byte period
  // and the scan for Repeats has already found that the data goes on
  // repeating it for a whole match length from p - period_ on: no match can
  // be longer, and none nearer as long. {} when that is not known.
  Match RunGoesOn(std::size_t p, std::size_t limit) const;
  // Remembers the period of such a copy (0 for none) for Repeats.
  void NotePeriod(const Match& found);
  // Enters the positions from p on that have no two-byte match in reach (and
  // so are literals) up to the first that has one; returns that position.
  // Called only after a search in the same module, never before p's module
  // has been set up.
  std::size_t SkipUnmatched(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // With kPeriod 1 or 2, for a position whose first four bytes repeat with
  // that period: every candidate then lies in an earlier stretch of that
  // pattern, and of a long stretch only one position can be the match, which
  // the walk jumps to.
  template <std::size_t kPeriod>
  Match SearchLong(std::size_t p, std::size_t lowest, std::size_t limit);
  // The nearest position sharing three bytes with p, plus one (0 when none).
  std::uint32_t Nearest3(std::size_t p, std::size_t lowest);

  std::span<const std::uint8_t> data_;
  unsigned hashBits_;
  // Made for each finder: the library keeps nothing allocated between calls.
  TwoByteHeads head2_;
  // Chain positions are stored plus one, so that 0 means "none" and every entry
  // below the window compares as out of reach.
  // The previous-entry tables are left uncleared: a walk starts at a head and
  // only ever reads the slot of a position entered before, which entering wrote.
  std::vector<Entry> head3_;        // newest position per hash of three bytes
  std::unique_ptr<Entry[]> prev3_;  // per window slot: the previous one with that hash
  std::vector<Entry> head4_;        // the same for four bytes
  std::unique_ptr<Entry[]> prev4_;
  std::size_t moduleStart_ = SIZE_MAX;
  std::size_t inserted_ = 0;  // positions of the module below this are entered
  // Every position from here up to inserted_ is entered (none left out as
  // repeating), so the chain holds a run's positions one after another.
  std::size_t enteredFrom_ = 0;
  std::size_t period_ = 0;  // distance of the last such copy, 0 for none
  // data[y] == data[y + period_] for every y from agreeFrom_ up to agreeEnd_;
  // the last x tested lies between them.
  std::size_t agreeFrom_ = 0;
  std::size_t agreeEnd_ = 0;
  // Chain entries looked at so far, one more for every 32 bytes compared: a
  // measure of the work done.
  std::size_t visits_ = 0;
  std::size_t settled_ = 0;     // visits paid for
  std::size_t creditedTo_ = 0;  // positions before this have earned their visits
  std::size_t visitsPerPosition_;
  std::ptrdiff_t reserve_;
  std::ptrdiff_t budget_;
};

// Inputs of up to this many bytes take 16-bit entries.
inline constexpr std::size_t kSmallQuickInput = UINT16_MAX;
using SmallQuickFinder = BasicQuickFinder<std::uint16_t>;
using QuickFinder = BasicQuickFinder<std::uint32_t>;

}  // namespace droven::detail
