// The match finder for an input that is a single module lying wholly within
// the window, such as one sprite: every earlier position is in reach of every
// search, so all positions enter the chains at once, in one tight loop before
// any search, and each walk starts from the searched position's own entry.
// A literal then costs one load, and a search no bookkeeping.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "codec_chain_walk.h"
#include "codec_match.h"

namespace droven::detail {

class SmallInputFinder {
 public:
  // True when `data` is one module of at most `moduleSize` bytes, in reach of
  // the window as a whole, and not mostly runs (as `head2`, made for it,
  // found): entering every position of a run costs more than the quick
  // chains, which leave most of them out.
  static bool Suits(std::span<const std::uint8_t> data, std::size_t moduleSize,
                    const TwoByteHeads& head2);

  // The walks may spend `visitsPerPosition` chain entries per position of the
  // input plus `reserve` in all; beyond that the finder is exhausted.
  // By default it never is.
  explicit SmallInputFinder(std::span<const std::uint8_t> data, std::size_t visitsPerPosition = 0,
                            std::ptrdiff_t reserve = PTRDIFF_MAX);
  // The same, with the two-byte table already made for `data`.
  SmallInputFinder(std::span<const std::uint8_t> data, TwoByteHeads head2,
                   std::size_t visitsPerPosition, std::ptrdiff_t reserve);

  // The same as the other finders'; the module is always the whole input.
  Match Find(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  NextCopy FindNextCopy(std::size_t p, std::size_t moduleStart, std::size_t moduleEnd);
  bool Exhausted() const { return budget_ < 0; }

 private:
  Match Search(std::size_t p);

  std::span<const std::uint8_t> data_;
  // Per position, plus one (0 for none): the previous position holding the
  // same two bytes, and the previous one with the same hash of three and of
  // four bytes; three tables in one block.
  std::unique_ptr<std::uint16_t[]> previous_;
  std::uint16_t* previous2_;
  std::uint16_t* previous3_;
  std::uint16_t* previous4_;
  std::ptrdiff_t budget_;
};

}  // namespace droven::detail
