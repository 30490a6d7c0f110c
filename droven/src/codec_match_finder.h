// Finds, for the greedy encoder, the longest earlier match at a position and the
// nearest one among equally long matches, exactly as a search over every
// candidate of the window would, but without visiting most of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "codec_match.h"
#include "codec_small_finder.h"

namespace droven::detail {

// True when data[pos..] repeats in full `period` bytes later, as far as any later
// search in the module can compare: the nearer position then matches every later
// search at least as far and wins, so pos need not be a candidate. `agreeEnd`
// carries from call to call how far data[y] == data[y + period] holds (reset it
// when the period changes); the scan looks on up to `scanTo`, so that a whole
// run is settled by one call.
bool RepeatsInFull(const std::uint8_t* data, std::size_t pos, std::size_t period, std::size_t scanTo,
                   std::size_t moduleEnd, std::size_t& agreeEnd);

// One hash chain over keys of `keyLength` bytes. Besides the usual previous
// pointer every entry knows where the arithmetic progression of chain entries
// it belongs to begins, so whole runs and periodic stretches are crossed in one
// step instead of one entry at a time.
class KeyChain {
 public:
  KeyChain(std::size_t keyLength, unsigned hashBits);

  std::size_t KeyLength() const { return keyLength_; }
  // Inserts the positions before `pos` that a search at `pos` can reach. A chain
  // that went unused for a while skips what has left the window meanwhile.
  // `period` (0 for none) is a distance at which the data is likely to repeat:
  // a position whose next 256 bytes recur `period` bytes later, at a position
  // already inserted, can never win over that nearer one and is left out.
  void CatchUp(const std::uint8_t* data, std::size_t pos, std::size_t lowest, std::size_t moduleEnd,
               std::size_t period);

  // Best match among the entries for data[p..], candidates no lower than `lowest`.
  // Lengths are capped at `limit`; the walk stops early once `enough` is reached.
  Match Search(const std::uint8_t* data, std::size_t p, std::size_t lowest, std::size_t limit,
               std::size_t enough) const;

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  static constexpr std::size_t kMask = kWindow - 1;

  void Insert(const std::uint8_t* data, std::size_t pos);
  bool SameKey(const std::uint8_t* a, const std::uint8_t* b) const;
  std::uint32_t Hash(const std::uint8_t* at) const;
  // The first chain entry from j on that lies below `bound` (kNone when none is left).
  std::size_t FirstEntryBelow(std::size_t j, std::size_t bound, std::size_t lowest) const;
  std::uint32_t Previous(std::size_t pos) const { return prev_[pos & kMask]; }
  std::uint32_t SegmentStart(std::size_t pos) const { return segment_[pos & kMask]; }

  std::size_t keyLength_;
  unsigned hashBits_;
  std::vector<std::uint32_t> head_;
  std::vector<std::uint32_t> prev_;
  std::vector<std::uint32_t> segment_;
  std::size_t inserted_ = 0;  // positions below this are inserted or out of reach
  std::size_t agreePeriod_ = 0;
  std::size_t agreeEnd_ =
      0;  // data[y] == data[y + agreePeriod_] for y from the current position to here
};

// All chains of one buffer. Positions are absolute indices into the buffer;
// modules are expressed through the bounds given to Find. It may start at any
// position: the first search inserts the window behind it.
class ChainFinder {
 public:
  explicit ChainFinder(std::span<const std::uint8_t> data);
  ~ChainFinder();

  // Longest match for data[p..] within [moduleStart, moduleEnd). Positions are
  // searched in increasing order.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);

 private:
  std::span<const std::uint8_t> data_;
  std::vector<std::unique_ptr<KeyChain>> chains_;  // longest keys first
  std::size_t lastDistance_ = 0;
};

// One binary search tree per two-byte prefix over the window's positions, ordered
// by the bytes that follow them (compared up to the length cap). Every position
// enters at the root, so each tree is also ordered by recency from the root down.
// The positions sharing the longest prefix with a new one are then neighbours in
// key order, the newest of them is their common ancestor, and the walk from the
// root to the new position's place passes through it before any older one: taking
// a candidate only when it is strictly longer gives the longest and nearest match.
// Positions are absolute indices into the buffer; modules are expressed through
// the bounds given to Find, which must be called with increasing positions.
class TreeFinder {
 public:
  explicit TreeFinder(std::span<const std::uint8_t> data);

  // Longest match for data[p..] within [moduleStart, moduleEnd).
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);

  // Tree nodes visited and positions inserted so far, a measure of the work done.
  std::size_t NodesVisited() const { return nodesVisited_; }
  std::size_t Inserted() const { return insertedCount_; }

 private:
  static constexpr std::uint32_t kNone = UINT32_MAX;
  // Twice the window, so that a new position never reuses the slot of one still
  // in reach.
  static constexpr std::size_t kSlots = 2 * kWindow;
  static constexpr std::size_t kMask = kSlots - 1;

  // Puts `pos` at the root of its tree and returns the best match met on the way.
  Match Insert(std::size_t pos, std::size_t moduleStart, std::size_t moduleEnd);
  // True when data[pos..] repeats in full `period` bytes later at a position that
  // will be inserted too: that nearer one always matches as far, so pos is left out.
  bool RepeatsLater(std::size_t pos, std::size_t scanTo, std::size_t moduleEnd);

  std::span<const std::uint8_t> data_;
  std::vector<std::uint32_t> head_;      // newest position per two-byte prefix
  std::vector<std::uint32_t> children_;  // per slot: larger, then smaller child
  std::size_t moduleStart_ = SIZE_MAX;
  std::size_t inserted_ = 0;  // positions of the module below this are inserted
  std::size_t period_ = 0;    // distance of the last match found
  std::size_t agreeEnd_ = 0;  // data[y] == data[y + period_] from the current position to here
  std::size_t nodesVisited_ = 0;
  std::size_t insertedCount_ = 0;
};

template <class Entry>
class BasicQuickFinder;

// Three exact finders, tried in turn; the choice only affects speed. Hash chains
// come first: every position enters them in constant time and only the
// positions the parse stops at are searched (a sprite-sized input that is not
// mostly runs enters them all at once, any other the quick chains as the parse
// passes its positions). Where their walks grow long (many earlier positions
// sharing a prefix) the tree takes over, and where the tree's paths grow long
// (runs, broken periods, tiny alphabets) the full chains, which cross runs and
// periods in one step. Each hand-over is for the rest of the input.
//
// Worst case per position: the hash chains may spend kQuickVisitsPerPosition
// chain entries per position on average (one more for every 32 bytes compared;
// plus a reserve of kQuickReserve) before they hand over; a single search visits
// at most 2 * kWindow entries, each compared for at most kMaxMatch bytes. The
// tree visits at most its depth, which is bounded by the positions in the window
// (kWindow), and gives up once it averages more than 12 nodes per position over
// 8192 positions; after that the full chains bound every search by the entries
// of the window.
class MatchFinder {
 public:
  static constexpr std::size_t kQuickVisitsPerPosition = 24;
  static constexpr std::ptrdiff_t kQuickReserve = 1 << 18;

  // `quickReserve` lets tests make the quick chains hand over early; with a
  // negative one the tree starts. `moduleSize` is the most bytes a module spans.
  explicit MatchFinder(std::span<const std::uint8_t> data,
                       std::ptrdiff_t quickReserve = kQuickReserve,
                       std::size_t moduleSize = SIZE_MAX);
  ~MatchFinder();

  // Longest match for data[p..] within [moduleStart, moduleEnd); positions increase.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // The next copy from p on, searching every position up to it: what the
  // encoder asks for, so that a run of literals costs no call per byte.
  // Inline for a sprite-sized input, where a copy comes every few bytes.
  NextCopy FindNextCopy(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd) {
    if (small_) return FindNextCopyWithQuick(*small_, p, moduleStart, moduleEnd);
    return FindNextCopyOtherwise(p, moduleStart, moduleEnd);
  }
  bool UsesSmallInputFinder() const { return small_ != nullptr; }
  bool UsesQuickChains() const { return quick16_ != nullptr || quick32_ != nullptr; }
  bool UsesChains() const { return chains_ != nullptr; }

 private:
  template <class Quick>
  Match FindWithQuick(Quick& quick, std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  template <class Quick>
  NextCopy FindNextCopyWithQuick(Quick& quick, std::size_t p, std::size_t moduleStart,
                                 std::size_t moduleEnd) {
    // One object returned on every path, so that the finder writes it
    // straight into the caller's: copying it here read it back wider than it
    // was written, which the processor cannot forward from its stores.
    NextCopy next = quick.FindNextCopy(p, moduleStart, moduleEnd);
    if (quick.Exhausted()) {
      HandOverToTree();  // `quick` is gone from here on
      // A literal, searched once more by the tree to keep things simple.
      if (next.position != moduleEnd && !IsCopy(next.match)) {
        next = FindNextCopy(next.position, moduleStart, moduleEnd);
      }
    }
    return next;
  }
  // FindNextCopy with the quick chains or the finders behind them.
  NextCopy FindNextCopyOtherwise(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  Match FindWithTree(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // Drops the exhausted quick chains; the tree starts on the positions that follow.
  void HandOverToTree();

  std::span<const std::uint8_t> data_;
  // For a sprite-sized input in place of the quick chains.
  std::unique_ptr<SmallInputFinder> small_;
  // The quick chains, with 16-bit entries when the input allows (one at most).
  std::unique_ptr<BasicQuickFinder<std::uint16_t>> quick16_;
  std::unique_ptr<BasicQuickFinder<std::uint32_t>> quick32_;
  std::unique_ptr<TreeFinder> tree_;
  std::unique_ptr<ChainFinder> chains_;
  std::size_t checkedNodes_ = 0;
  std::size_t checkedInserts_ = 0;
};

}  // namespace droven::detail
