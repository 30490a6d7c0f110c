// Finds, for the greedy encoder, the longest earlier match at a position and the
// nearest one among equally long matches, exactly as a search over every
// candidate of the window would, but without visiting most of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace droven::detail {

inline constexpr std::size_t kWindow = 8192;
inline constexpr std::size_t kMaxMatch = 256;

struct Match {
  std::size_t length = 0;    // 0 when nothing of 2 bytes or more was found
  std::size_t distance = 0;  // 1..kWindow
};

// Number of equal bytes of a[from..] and b[from..], up to `limit` in total.
// b must have `limit` readable bytes; a lies before b in the same buffer.
std::size_t CommonLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t from,
                         std::size_t limit);

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
  void CatchUp(const std::uint8_t* data, std::size_t pos, std::size_t lowest,
               std::size_t moduleEnd, std::size_t period);

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
  std::size_t agreeEnd_ = 0;  // data[y] == data[y + agreePeriod_] for y from the current position to here
};

// All chains of one buffer. Positions are absolute indices into the buffer;
// modules are expressed through the bounds given to Find.
class MatchFinder {
 public:
  explicit MatchFinder(std::span<const std::uint8_t> data);
  ~MatchFinder();

  // Longest match for data[p..] within [moduleStart, moduleEnd). Positions are
  // searched in increasing order.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);

 private:
  std::span<const std::uint8_t> data_;
  std::vector<std::unique_ptr<KeyChain>> chains_;  // longest keys first
  std::size_t lastDistance_ = 0;
};

}  // namespace droven::detail
