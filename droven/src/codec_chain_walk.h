// What the hash-chain finders share: how keys are read and hashed, the two-byte
// head table, and the two walks along a chain (the nearest position sharing
// three bytes, the longest and nearest match of four bytes or more).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "codec_match.h"

namespace droven::detail {

inline constexpr std::uint32_t kHashMultiplier = 0x9E3779B1u;

// Hash bits for the three- and four-byte heads of an input or module of `size`
// bytes: about two slots per position, at most 32768, so that the tables a
// small input clears grow with it.
inline unsigned ChainHashBits(std::size_t size) {
  unsigned bits = 8;
  while (bits < 15 && (std::size_t{1} << bits) < 2 * size) ++bits;
  return bits;
}

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
inline std::uint32_t Key3(const std::uint8_t* at) {
  return at[0] | (at[1] << 8) | (static_cast<std::uint32_t>(at[2]) << 16);
}

inline std::uint32_t Key2(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

// The head slot of a key of three or four bytes, for `shift` = 32 - hash bits.
[[gnu::always_inline]] inline std::uint32_t HashKey(std::uint32_t key, unsigned shift) {
  return (key * kHashMultiplier) >> shift;
}

inline std::uint32_t Hash4(const std::uint8_t* at, unsigned bits) {
  return HashKey(Load4(at), 32 - bits);
}

inline std::uint32_t Hash3(const std::uint8_t* at, unsigned bits) {
  return HashKey(Key3(at), 32 - bits);
}

// Makes `entry`, a position whose four bytes are `key`, the newest of its
// three- and four-byte chains; the heads it replaces become its previous entries.
template <class Entry>
[[gnu::always_inline]] inline void EnterChains(std::uint32_t key, Entry entry, unsigned shift,
                                               Entry* head3, Entry* head4, Entry& previous3,
                                               Entry& previous4) {
  Entry& h3 = head3[HashKey(key & 0xFFFFFF, shift)];
  previous3 = h3;
  h3 = entry;
  Entry& h4 = head4[HashKey(key, shift)];
  previous4 = h4;
  h4 = entry;
}

// How many bytes from `at`, up to `cap` (at least `period`), repeat the byte
// `period` before them: at[k] == at[k - period] for period <= k < the result.
inline std::size_t PeriodLength(const std::uint8_t* at, std::size_t period, std::size_t cap) {
  return period + LongCommonLength(at, at + period, 0, cap - period);
}

// The lowest x from `bound` to j with data[y] == data[y + period] for every y
// from x to j (j itself when bound lies above it), with period 1 or 2, found
// eight bytes at a time.
inline std::size_t PeriodStart(const std::uint8_t* data, std::size_t j, std::size_t period,
                               std::size_t bound) {
  if (bound >= j) return j;
  // The eight bytes before x, a multiple of eight below j, as the pattern
  // would have them.
  std::uint64_t pattern = 0x0101010101010101ull * data[j];
  if (period == 2) {
    std::uint16_t lane;  // loaded from the data: bytes stored one by one would stall it
    std::memcpy(&lane, data + j, 2);
    pattern = lane * 0x0001000100010001ull;
  }
  std::size_t x = j;
  while (x - bound >= 8) {
    // Read as one number, the byte at x - 1 is the highest.
    const std::uint64_t other = Load64(data + x - 8) ^ pattern;
    if (other != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        return x - static_cast<std::size_t>(std::countl_zero(other) / 8);
      } else {
        return x - static_cast<std::size_t>(std::countr_zero(other) / 8);
      }
    }
    x -= 8;
  }
  while (x > bound && data[x - 1] == data[x - 1 + period]) --x;
  return x;
}

// One entry per pair of bytes whatever the input, holding a position's low 16
// bits. Clearing all 128 KiB would cost a small input more than compressing
// it, and every key a search reads or writes is the pair at some position of
// the input, so a small input clears just the entries of its own pairs, which
// then read exactly as a cleared table. A larger input clears the table at once.
// Clearing a small input also tells whether it is mostly runs and short periods.
class TwoByteHeads {
 public:
  explicit TwoByteHeads(std::span<const std::uint8_t> data)
      : table_(std::make_unique_for_overwrite<std::uint16_t[]>(kEntries)),
        outsideRuns_(data.size()) {
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
    unsigned alike = 0;  // groups in a row that repeat the one before
    for (std::uint64_t before = 0; x + 10 <= data.size(); x += 8) {
      const std::uint64_t eight = Load64(bytes + x);
      ++groups_;
      if (eight == Load64(bytes + x + 2)) {
        ++periodicGroups_;
        if (x == 0 || eight != before) {
          clear(x);
          clear(x + 1);
          alike = 0;
        } else if (++alike == 3) {
          // Four alike in a row, as many bytes as a tile: likely a long run,
          // crossed faster in blocks that have nothing new to clear. (Trying
          // after fewer costs tiles with a few rows of one colour more than it
          // saves.)
          alike = 0;
          const std::size_t crossed = SamePatternBlocks(data, x + 8, eight);
          x += crossed;
          groups_ += crossed / 8;
          periodicGroups_ += crossed / 8;
        }
      } else {
        alike = 0;
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
    outsideRuns_ -= 8 * periodicGroups_;
  }

  [[gnu::always_inline]] std::uint16_t Get(std::uint32_t key) const { return table_[key]; }
  [[gnu::always_inline]] void Set(std::uint32_t key, std::uint16_t position) {
    table_[key] = position;
  }
  const std::uint16_t* Address(std::uint32_t key) const { return table_.get() + key; }
  // True when, of a small input cleared pair by pair, half the eight-byte
  // groups or more repeat every two bytes (with the two bytes after them).
  bool MostlyPeriodic() const { return groups_ != 0 && 2 * periodicGroups_ >= groups_; }
  // The bytes of a small input outside such groups (of a larger one, all):
  // about the most positions the quick chains enter, as they leave out all
  // of a long run but its last period.
  std::size_t BytesOutsideRuns() const { return outsideRuns_; }

 private:
  static constexpr std::size_t kEntries = std::size_t{1} << 16;
  static constexpr std::size_t kClearAllFrom = std::size_t{16} << 10;

  // How many bytes from `from` on, in whole blocks of 32, hold the eight
  // bytes `pattern` over and over, together with the two bytes after them:
  // each of their groups repeats every two bytes and equals the one before.
  static std::size_t SamePatternBlocks(std::span<const std::uint8_t> data, std::size_t from,
                                       std::uint64_t pattern) {
    constexpr std::size_t kBlock = 32;
    const std::uint8_t* bytes = data.data();
    std::size_t y = from;
    for (; y + kBlock + 2 <= data.size(); y += kBlock) {
      // The pattern repeats every two bytes, so the last load, six bytes
      // back, lines up with it.
      std::uint64_t other = Load64(bytes + y + kBlock - 6) ^ pattern;
      for (std::size_t k = 0; k < kBlock; k += 8) other |= Load64(bytes + y + k) ^ pattern;
      if (other != 0) break;
    }
    return y - from;
  }

  std::unique_ptr<std::uint16_t[]> table_;
  std::size_t groups_ = 0;
  std::size_t periodicGroups_ = 0;
  std::size_t outsideRuns_;
};

// Chain entries hold a position plus one, so that 0 means "none" and every
// entry below `lowest` compares as out of reach. `previous(j)` gives the entry
// after position j's in its chain.

// The nearest position along a three-byte chain from `entry` on that shares
// the three bytes at `here`, plus one (0 when none). A candidate's three bytes
// are read as four: it lies before `here`, which has three.
template <class Previous>
[[gnu::always_inline]] inline std::uint32_t NearestSharing3(const std::uint8_t* data,
                                                           const std::uint8_t* here,
                                                           std::uint32_t entry,
                                                           std::size_t lowest,
                                                           Previous previous,
                                                           std::size_t& visits) {
  const std::uint32_t key = Key3(here);
  for (; entry > lowest; entry = previous(entry - 1)) {
    ++visits;
    if ((Load4(data + entry - 1) & 0xFFFFFF) == key) return entry;
  }
  return 0;
}

// The longest match of four bytes or more for data[p..] (up to `limit`) along
// a four-byte chain from `entry` on, newest first, and among equals the
// nearest; {} when there is none. A candidate is compared in full only when
// the four bytes up to the one that would make it longer than the best so far
// agree, so most entries cost one load.
//
// With kPeriod 1 or 2, for a position whose first four bytes repeat with that
// period (one value, or two values taking turns): every candidate then lies in
// an earlier stretch of that pattern, and of a long stretch only one position
// can be the match, which the walk jumps to. A stretch's positions follow each
// other in the chain only where none was left out, so it jumps only from
// `floor` on.
template <std::size_t kPeriod, class Previous>
[[gnu::always_inline]] inline Match LongestAlongChain(const std::uint8_t* data, std::size_t p,
                                                     std::uint32_t entry, std::size_t lowest,
                                                     std::size_t floor, std::size_t limit,
                                                     Previous previous, std::size_t& visits) {
  const std::uint8_t* here = data + p;
  std::size_t best = 3;  // only matches of four bytes or more come from this chain
  std::size_t bestPos = 0;
  const std::uint32_t key = Load4(here);
  std::size_t run = 0;  // how many bytes from here keep the pattern, once needed
  while (entry > lowest) {
    ++visits;
    const std::size_t j = entry - 1;
    entry = previous(j);
    if constexpr (kPeriod != 0) {
      // j lies in such a stretch, 8 bytes long at least for runs and 12 for
      // two-byte periods (shorter ones are quicker to walk), its next entry
      // kPeriod below it, and its positions back to floor are all entered.
      // Of its positions from j down in j's phase, one with exactly `run`
      // bytes of the stretch left (else the next below it, else the first,
      // or j when all have more) matches longest: each later one matches
      // less, each earlier one `run` bytes and no more. The other phase
      // starts with other bytes.
      if (entry == j + 1 - kPeriod && j >= floor + 8 && Load4(data + j - 4 * kPeriod) == key &&
          Load4(data + j) == key) {
        if (run == 0) run = PeriodLength(here, kPeriod, limit);
        const std::size_t end = j + PeriodLength(data + j, kPeriod, limit);
        const std::size_t start = PeriodStart(data, j, kPeriod, floor);
        constexpr std::size_t kPhase = kPeriod - 1;  // a mask: the period is 1 or 2
        const std::size_t first = start + ((j - start) & kPhase);  // lowest in j's phase
        std::size_t at = first;
        if (end >= first + run) at = std::min(end - run, j);
        at -= (j - at) & kPhase;
        const std::size_t length = LongCommonLength(data + at, here, 0, limit);
        visits += (end - start + length) / 32;
        entry = previous(first);
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
    // A search that opens with a run or a period mostly matches long.
    const std::size_t length = kPeriod != 0 ? LongCommonLength(data + j, here, 0, limit)
                                            : CommonLength(data + j, here, 0, limit);
    visits += length / 32;  // long comparisons count as more work
    if (length > best) {
      best = length;
      bestPos = j;
      if (best == limit) break;  // nothing older can be longer
    }
  }
  if (best < 4) return {};
  return {best, p - bestPos};
}

// 1 when the four bytes at `at` are one value, 2 when two values take turns
// in them, else 0: the period through which a search there may jump
// (LongestAlongChain's kPeriod).
[[gnu::always_inline]] inline std::size_t OpeningPeriod(const std::uint8_t* at) {
  const std::uint32_t key = Load4(at);
  if ((key >> 16) != (key & 0xFFFF)) return 0;
  return (key & 0xFF) == (key >> 8 & 0xFF) ? 1 : 2;
}

}  // namespace droven::detail
