// A two-dimensional byte grid indexed (x, y): the sprite's pixels, its tile map
// and the undo snapshots.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/Failure.h"

namespace kerrow {

// A number that changes whenever the grid holding it is replaced as a whole
// (made, copied or assigned) and never when single cells change, so the undo
// history can tell the grid it recorded from one loaded since. It takes no
// part in comparing grids.
class GridIdentity {
 public:
  GridIdentity() : value_(Next()) {}
  GridIdentity(const GridIdentity&) : value_(Next()) {}
  GridIdentity& operator=(const GridIdentity&) {
    value_ = Next();
    return *this;
  }
  std::uint64_t Value() const { return value_; }
  bool operator==(const GridIdentity&) const { return true; }

 private:
  static std::uint64_t Next() {
    static std::uint64_t last = 0;
    return ++last;
  }
  std::uint64_t value_;
};

class PixelGrid {
 public:
  PixelGrid() = default;
  PixelGrid(std::int32_t width, std::int32_t height)
      : width_(width), height_(height), cells_(static_cast<std::size_t>(width) * height, 0) {}

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  bool Empty() const { return cells_.empty(); }
  bool Contains(std::int32_t x, std::int32_t y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_;
  }

  // Checked access: outside the grid is failure 9 (index out of range).
  std::uint8_t& At(std::int32_t x, std::int32_t y) {
    Check(x, y);
    return cells_[Index(x, y)];
  }
  std::uint8_t At(std::int32_t x, std::int32_t y) const {
    Check(x, y);
    return cells_[Index(x, y)];
  }
  // Lookup that answers 0 outside the grid (the tile map's rule).
  std::uint8_t ValueOr0(std::int32_t x, std::int32_t y) const {
    return Contains(x, y) ? cells_[Index(x, y)] : 0;
  }

  const std::vector<std::uint8_t>& Cells() const { return cells_; }
  // Row-major cells for loops that walk whole rows.
  std::uint8_t* Data() { return cells_.data(); }
  bool operator==(const PixelGrid&) const = default;

  std::uint64_t Identity() const { return identity_.Value(); }
  // Cells by their row-major position y * Width() + x.
  std::size_t Index(std::int32_t x, std::int32_t y) const {
    return static_cast<std::size_t>(y) * width_ + x;
  }
  std::uint8_t& AtIndex(std::size_t index) { return cells_.at(index); }
  std::uint8_t AtIndex(std::size_t index) const { return cells_.at(index); }

 private:
  void Check(std::int32_t x, std::int32_t y) const {
    if (!Contains(x, y)) throw Failure(kErrSubscript, "Subscript out of range", "kerrow");
  }

  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::vector<std::uint8_t> cells_;
  GridIdentity identity_;
};

}  // namespace kerrow
