// The first match finder the encoder tries: a two-byte head table and two hash
// chains that every position enters in constant time, walked from the newest
// entry back only where the greedy parse actually searches (inside a copy nothing
// is searched).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "codec_match_finder.h"

namespace droven::detail {

// Longest and nearest match from a newest-first walk over every earlier position
// sharing the first four bytes with the searched one; failing that, the nearest
// sharing three, then two. A candidate is compared in full only when the byte
// that would make it longer than the best so far agrees, so most entries cost one
// load.
//
// Work per searched position: at most kWindow entries of the three-byte chain,
// three bytes each, then at most kWindow entries of the four-byte chain, each
// compared for at most kMaxMatch bytes. Entering a position costs a constant. The
// finder counts its work and declares itself exhausted on inputs where the walks
// grow long; MatchFinder then hands the rest over to the tree.
class QuickFinder {
 public:
  // Every position passed earns `visitsPerPosition` visits, and no more than
  // `reserve` are kept, so an expensive stretch after a long cheap one is caught
  // soon; once the visits spent exceed those earned the finder is exhausted. By
  // default it never is.
  // `moduleSize` is the most bytes one module spans: the tables only need to
  // tell apart the positions a search can reach.
  explicit QuickFinder(std::span<const std::uint8_t> data, std::size_t visitsPerPosition = 0,
                       std::ptrdiff_t reserve = PTRDIFF_MAX, std::size_t moduleSize = SIZE_MAX);

  // Longest match for data[p..] within [moduleStart, moduleEnd); positions increase.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // The next copy from p on; stops early, at the position just searched, when
  // the finder becomes exhausted.
  NextCopy FindNextCopy(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  bool Exhausted() const { return budget_ < 0; }

 private:
  // Hash bits for the three- and four-byte heads: about four slots per position
  // of the window, fewer for small inputs and short modules, whose tables would
  // mostly stay empty.
  static unsigned HashBits(std::size_t size);
  static constexpr std::size_t kMask = kWindow - 1;

  // The tables as plain pointers, for the loops that enter many positions.
  struct Heads;
  Heads LocalHeads();
  Match Search(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  // Credits the positions passed since the last visits were paid, pays the new ones.
  void Settle(std::size_t p);
  // Enters the positions from the last one entered up to p (those still in reach).
  void CatchUp(std::size_t p, std::size_t lowest, std::size_t moduleEnd);
  // Enters the positions from p on that have no two-byte match in reach (and
  // so are literals) up to the first that has one; returns that position.
  // Called only after a search in the same module, never before p's module
  // has been set up.
  std::size_t SkipUnmatched(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  Match SearchLong(std::size_t p, std::size_t lowest, std::size_t limit);
  // The nearest position sharing three bytes with p, plus one (0 when none).
  std::uint32_t Nearest3(std::size_t p, std::size_t lowest);

  std::span<const std::uint8_t> data_;
  unsigned hashBits_;
  // Chain positions are stored plus one, so that 0 means "none" and every entry
  // below the window compares as out of reach.
  std::vector<std::uint16_t> head2_;  // newest position of each two-byte prefix, low 16 bits
  std::vector<std::uint32_t> head3_;  // newest position per hash of three bytes
  std::vector<std::uint32_t> prev3_;  // per window slot: the previous one with that hash
  std::vector<std::uint32_t> head4_;  // the same for four bytes
  std::vector<std::uint32_t> prev4_;
  std::size_t moduleStart_ = SIZE_MAX;
  std::size_t inserted_ = 0;  // positions of the module below this are entered
  // Chain entries looked at so far, one more for every 32 bytes compared: a
  // measure of the work done.
  std::size_t visits_ = 0;
  std::size_t settled_ = 0;     // visits paid for
  std::size_t creditedTo_ = 0;  // positions before this have earned their visits
  std::size_t visitsPerPosition_;
  std::ptrdiff_t reserve_;
  std::ptrdiff_t budget_;
};

}  // namespace droven::detail
