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

#include "codec_match_finder.h"

namespace droven::detail {

// Newest position of each two-byte prefix, low 16 bits: an entry per pair of
// bytes whatever the input. Clearing all 128 KiB would cost a small input more
// than compressing it, and every key a search reads or writes is the pair at
// some position of the input, so a small input clears just the entries of its
// own pairs, which then read exactly as a cleared table. A larger input clears
// the table at once.
class TwoByteHeads {
 public:
  explicit TwoByteHeads(std::span<const std::uint8_t> data)
      : table_(std::make_unique_for_overwrite<std::uint16_t[]>(kEntries)) {
    std::uint16_t* const table = table_.get();
    if (data.size() >= kClearAllFrom) {
      std::fill_n(table, kEntries, std::uint16_t{0});
      return;
    }
    const std::uint8_t* bytes = data.data();
    const auto clear = [&](std::size_t x) { table[bytes[x] | (bytes[x + 1] << 8)] = 0; };
    // Eight positions at a time. Where the ten bytes repeat every two bytes
    // (runs and two-byte periods) the eight pairs are only the first two, and
    // those were cleared already when the eight bytes before were the same.
    std::size_t x = 0;
    for (std::uint64_t before = 0; x + 10 <= data.size(); x += 8) {
      const std::uint64_t eight = Load64(bytes + x);
      if (eight == Load64(bytes + x + 2)) {
        if (x == 0 || eight != before) {
          clear(x);
          clear(x + 1);
        }
      } else {
        // The eight pairs from the eight bytes already loaded and the ninth.
        if constexpr (std::endian::native == std::endian::little) {
          for (unsigned k = 0; k < 7; ++k) table[(eight >> (8 * k)) & 0xFFFF] = 0;
          table[(eight >> 56) | (std::uint32_t{bytes[x + 8]} << 8)] = 0;
        } else {
          for (std::size_t k = 0; k < 8; ++k) clear(x + k);
        }
      }
      before = eight;
    }
    for (; x + 1 < data.size(); ++x) clear(x);
  }

  [[gnu::always_inline]] std::uint16_t Get(std::uint32_t key) const { return table_[key]; }
  [[gnu::always_inline]] void Set(std::uint32_t key, std::uint16_t position) {
    table_[key] = position;
  }
  const std::uint16_t* Address(std::uint32_t key) const { return table_.get() + key; }

 private:
  static constexpr std::size_t kEntries = std::size_t{1} << 16;
  static constexpr std::size_t kClearAllFrom = std::size_t{16} << 10;

  std::unique_ptr<std::uint16_t[]> table_;
};

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
  BasicQuickFinder(const BasicQuickFinder&) = delete;
  BasicQuickFinder& operator=(const BasicQuickFinder&) = delete;

  // Longest match for data[p..] within [moduleStart, moduleEnd); positions increase.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // The next copy from p on; stops early, at the position just searched, when
  // the finder becomes exhausted.
  NextCopy FindNextCopy(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  bool Exhausted() const { return budget_ < 0; }

 private:
  // Hash bits for the three- and four-byte heads: about two slots per position
  // of the input or module, at most 32768, so that the tables a small input
  // clears grow with it.
  static unsigned HashBits(std::size_t size);
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
  // Remembers the period of such a copy (0 for none) for Repeats.
  void NotePeriod(const Match& found);
  // Enters the positions from p on that have no two-byte match in reach (and
  // so are literals) up to the first that has one; returns that position.
  // Called only after a search in the same module, never before p's module
  // has been set up.
  std::size_t SkipUnmatched(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // With kOpensWithRun, for a position whose first four bytes are one value:
  // every candidate then lies in an earlier run of that value, and of a long
  // run only one position can be the match, which the walk jumps to.
  template <bool kOpensWithRun>
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
  std::size_t period_ = 0;    // distance of the last such copy, 0 for none
  std::size_t agreeEnd_ = 0;  // data[y] == data[y + period_] from the last x tested up to here
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
