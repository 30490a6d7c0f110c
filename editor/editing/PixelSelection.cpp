#include "editing/PixelSelection.h"

#include <utility>
#include <vector>

#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

PixelRect GridRect(const PixelGrid& grid) {
  return {0, 0, grid.Width(), grid.Height()};
}

// The stretches [from, to) of columns x0 to x1 (inside the grid) whose pixels
// lie in own tiles, row by row. A stretch spans as many neighbouring own tiles
// as there are, so rows are copied in long runs, and the stretches are worked
// out once per tile row: its eight pixel rows share them.
class OwnRuns {
 public:
  OwnRuns(const PixelGrid& tiles, std::int32_t x0, std::int32_t x1)
      : tiles_(tiles), x0_(x0), x1_(x1) {}

  template <class Run>
  void ForRow(std::int32_t y, Run run) {
    if (y / 8 != tileRow_) Find(y / 8);
    for (const auto& [from, to] : runs_) run(from, to);
  }

 private:
  void Find(std::int32_t tileRow) {
    tileRow_ = tileRow;
    runs_.clear();
    std::int32_t start = -1;
    for (std::int32_t tx = x0_ / 8; tx * 8 < x1_; ++tx) {
      const std::int32_t from = std::max(x0_, tx * 8);
      if (tiles_.ValueOr0(tx, tileRow) == kTileWhite) {
        if (start < 0) start = from;
      } else if (start >= 0) {
        runs_.emplace_back(start, from);
        start = -1;
      }
    }
    if (start >= 0) runs_.emplace_back(start, x1_);
  }

  const PixelGrid& tiles_;
  std::int32_t x0_;
  std::int32_t x1_;
  std::int32_t tileRow_ = -1;
  std::vector<std::pair<std::int32_t, std::int32_t>> runs_;
};

// Cell (x, y) of `grid`, where a run along its row starts.
std::uint8_t* RowAt(PixelGrid& grid, std::int32_t x, std::int32_t y) {
  return &grid.At(x, y);
}
const std::uint8_t* RowAt(const PixelGrid& grid, std::int32_t x, std::int32_t y) {
  return &grid.Cells()[grid.Index(x, y)];
}

void CopyRun(const std::uint8_t* from, std::int32_t count, std::uint8_t* to) {
  if (count > 0) std::copy_n(from, count, to);
}

// `count` pixels of the float over `target`: its own where it holds one, the
// pixel under it elsewhere. Written as masks over distinct rows, without a
// branch, so that the compiler turns it into vector operations.
void Blend(const std::uint8_t* __restrict mine, const std::uint8_t* __restrict below,
           std::int32_t count, std::uint8_t* __restrict target) {
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t pixel = mine[i];
    const auto hole = static_cast<std::uint8_t>(-static_cast<int>(pixel == kNoColour));
    target[i] = static_cast<std::uint8_t>((below[i] & hole) | (pixel & ~hole));
  }
}

PixelGrid Filled(std::int32_t width, std::int32_t height, std::uint8_t value) {
  PixelGrid grid(width, height);
  for (std::int32_t y = 0; y < height; ++y) std::fill_n(RowAt(grid, 0, y), width, value);
  return grid;
}

}  // namespace

PixelRect PixelRect::Intersected(const PixelRect& other) const {
  const std::int32_t left = std::max(x, other.x);
  const std::int32_t top = std::max(y, other.y);
  const std::int32_t right = std::min(Right(), other.Right());
  const std::int32_t bottom = std::min(Bottom(), other.Bottom());
  if (right <= left || bottom <= top) return {};
  return {left, top, right - left, bottom - top};
}

PixelRect PixelRect::United(const PixelRect& other) const {
  if (other.Empty()) return *this;
  if (Empty()) return other;
  const std::int32_t left = std::min(x, other.x);
  const std::int32_t top = std::min(y, other.y);
  return {left, top, std::max(Right(), other.Right()) - left,
          std::max(Bottom(), other.Bottom()) - top};
}

bool PixelSelection::On(const PixelGrid& pixels) const {
  return grid_ != 0 && grid_ == pixels.Identity() && !bounds_.Empty();
}

// Makes the selection belong to `pixels`; one that belonged to another grid
// is forgotten first. Returns whether it already belonged there.
bool PixelSelection::Adopt(const PixelGrid& pixels) {
  if (grid_ == pixels.Identity()) return true;
  Forget();
  grid_ = pixels.Identity();
  return false;
}

void PixelSelection::Forget() {
  grid_ = 0;
  bounds_ = {};
  floating_ = false;
  content_ = PixelGrid();
  base_ = PixelGrid();
  baseArea_ = {};
  origin_ = {};
  lifted_ = PixelGrid();
  holes_.clear();
}

PixelRect PixelSelection::Area() const {
  return bounds_.United(origin_);
}

PixelRect PixelSelection::Mark(SelectionCanvas canvas, SpritePoint from, SpritePoint to) {
  const PixelRect dropped = Drop(canvas);
  Adopt(canvas.pixels);
  // Corners far outside the sprite select as much as corners just outside it.
  const PixelRect grid = GridRect(canvas.pixels);
  const auto x0 = std::clamp(std::min(from.x, to.x), -1, grid.width);
  const auto x1 = std::clamp(std::max(from.x, to.x), -1, grid.width);
  const auto y0 = std::clamp(std::min(from.y, to.y), -1, grid.height);
  const auto y1 = std::clamp(std::max(from.y, to.y), -1, grid.height);
  bounds_ = PixelRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1}.Intersected(grid);
  return dropped.United(bounds_);
}

PixelRect PixelSelection::SelectAll(SelectionCanvas canvas) {
  const PixelRect dropped = Drop(canvas);
  Adopt(canvas.pixels);
  bounds_ = GridRect(canvas.pixels);
  return dropped.United(bounds_);
}

// Takes a marked selection (which lies inside the sprite) off the sprite:
// its own pixels go into the float, and what lies under it becomes index 0
// there. The grid itself does not change until the float moves.
void PixelSelection::Lift(SelectionCanvas canvas) {
  const PixelRect at = bounds_;
  lifted_ = PixelGrid(at.width, at.height);
  content_ = Filled(at.width, at.height, kNoColour);
  base_ = PixelGrid(at.width, at.height);
  baseArea_ = at;
  OwnRuns runs(canvas.tiles, at.x, at.Right());
  for (std::int32_t row = 0; row < at.height; ++row) {
    const std::int32_t y = at.y + row;
    const std::uint8_t* source = RowAt(canvas.pixels, at.x, y);
    CopyRun(source, at.width, RowAt(lifted_, 0, row));
    CopyRun(source, at.width, RowAt(base_, 0, row));
    runs.ForRow(y, [&](std::int32_t from, std::int32_t to) {
      CopyRun(source + (from - at.x), to - from, RowAt(content_, from - at.x, row));
      std::fill_n(RowAt(base_, from - at.x, row), to - from, std::uint8_t{0});
    });
  }
  origin_ = at;
  floating_ = true;
  FindHoles();
}

// Notes the rows of the float that hold a pixel everywhere: those are
// written by plain copies.
void PixelSelection::FindHoles() {
  holes_.assign(static_cast<std::size_t>(content_.Height()), 0);
  for (std::int32_t y = 0; y < content_.Height(); ++y) {
    const std::uint8_t* row = RowAt(content_, 0, y);
    holes_[static_cast<std::size_t>(y)] = std::find(row, row + content_.Width(), kNoColour) !=
                                          row + content_.Width();
  }
}

// Writes the float into the own pixels it covers: its pixels where it holds
// one, what lies under it elsewhere.
void PixelSelection::Stamp(SelectionCanvas canvas) {
  const PixelRect clip = bounds_.Intersected(GridRect(canvas.pixels));
  OwnRuns runs(canvas.tiles, clip.x, clip.Right());
  for (std::int32_t y = clip.y; y < clip.Bottom(); ++y) {
    const std::int32_t row = y - bounds_.y;
    runs.ForRow(y, [&](std::int32_t from, std::int32_t to) {
      const std::uint8_t* mine = RowAt(content_, from - bounds_.x, row);
      std::uint8_t* target = RowAt(canvas.pixels, from, y);
      if (holes_[static_cast<std::size_t>(row)]) {
        Blend(mine, Base(from, y), to - from, target);
      } else {
        CopyRun(mine, to - from, target);
      }
    });
  }
}

const std::uint8_t* PixelSelection::Base(std::int32_t x, std::int32_t y) const {
  return RowAt(base_, x - baseArea_.x, y - baseArea_.y);
}

// Makes the base reach over `area` (inside the grid). It grows with a margin,
// so that a drag grows it now and then rather than at every step; outside
// the float's place the grid itself holds the base.
void PixelSelection::Cover(SelectionCanvas canvas, const PixelRect& area) {
  if (baseArea_.United(area) == baseArea_) return;
  constexpr std::int32_t kMargin = 64;
  const PixelRect wider = baseArea_.United(area);
  const PixelRect grown =
      PixelRect{wider.x - kMargin, wider.y - kMargin, wider.width + 2 * kMargin,
                wider.height + 2 * kMargin}
          .Intersected(GridRect(canvas.pixels));
  PixelGrid base(grown.width, grown.height);
  for (std::int32_t y = grown.y; y < grown.Bottom(); ++y) {
    std::uint8_t* row = RowAt(base, 0, y - grown.y);
    if (y >= baseArea_.y && y < baseArea_.Bottom()) {
      CopyRun(RowAt(canvas.pixels, grown.x, y), baseArea_.x - grown.x, row);
      CopyRun(Base(baseArea_.x, y), baseArea_.width, row + (baseArea_.x - grown.x));
      CopyRun(RowAt(canvas.pixels, baseArea_.Right(), y), grown.Right() - baseArea_.Right(),
              row + (baseArea_.Right() - grown.x));
    } else {
      CopyRun(RowAt(canvas.pixels, grown.x, y), grown.width, row);
    }
  }
  base_ = std::move(base);
  baseArea_ = grown;
}

PixelRect PixelSelection::MoveTo(SelectionCanvas canvas, std::int32_t x, std::int32_t y) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) return {};
  const PixelRect grid = GridRect(canvas.pixels);
  x = std::clamp(x, 1 - bounds_.width, grid.width - 1);
  y = std::clamp(y, 1 - bounds_.height, grid.height - 1);
  if (x == bounds_.x && y == bounds_.y) return {};
  if (!floating_) Lift(canvas);

  const PixelRect old = bounds_;
  const PixelRect now{x, y, old.width, old.height};
  Cover(canvas, now.Intersected(grid));
  // The place the float leaves gets back what lies under it.
  const PixelRect left = old.Intersected(grid);
  for (std::int32_t row = left.y; row < left.Bottom(); ++row) {
    std::int32_t keptFrom = left.Right();  // columns the float still covers
    std::int32_t keptTo = left.Right();
    if (row >= now.y && row < now.Bottom()) {
      keptFrom = std::clamp(now.x, left.x, left.Right());
      keptTo = std::clamp(now.Right(), keptFrom, left.Right());
    }
    CopyRun(Base(left.x, row), keptFrom - left.x, RowAt(canvas.pixels, left.x, row));
    if (keptTo < left.Right()) {
      CopyRun(Base(keptTo, row), left.Right() - keptTo, RowAt(canvas.pixels, keptTo, row));
    }
  }
  bounds_ = now;
  Stamp(canvas);
  return old.United(now);
}

PixelRect PixelSelection::MoveBy(SelectionCanvas canvas, std::int32_t dx, std::int32_t dy) {
  return MoveTo(canvas, bounds_.x + dx, bounds_.y + dy);
}

PixelRect PixelSelection::Flip(SelectionCanvas canvas, bool horizontal) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) return {};
  if (!floating_) Lift(canvas);
  const std::int32_t width = content_.Width();
  const std::int32_t height = content_.Height();
  if (horizontal) {
    for (std::int32_t y = 0; y < height; ++y) {
      std::uint8_t* row = RowAt(content_, 0, y);
      std::reverse(row, row + width);
    }
  } else {
    for (std::int32_t y = 0; y < height / 2; ++y) {
      std::swap_ranges(RowAt(content_, 0, y), RowAt(content_, 0, y) + width,
                       RowAt(content_, 0, height - 1 - y));
    }
    std::reverse(holes_.begin(), holes_.end());
  }
  Stamp(canvas);
  return bounds_;
}

PixelRect PixelSelection::Paste(SelectionCanvas canvas, PixelGrid content, std::int32_t x,
                                std::int32_t y) {
  const PixelRect dropped = Drop(canvas);
  Adopt(canvas.pixels);
  const PixelRect grid = GridRect(canvas.pixels);
  if (content.Empty() || grid.Empty()) return dropped;
  const std::int32_t width = content.Width();
  const std::int32_t height = content.Height();
  bounds_ = {std::clamp(x, 1 - width, grid.width - 1), std::clamp(y, 1 - height, grid.height - 1),
             width, height};
  content_ = std::move(content);
  baseArea_ = {};
  Cover(canvas, bounds_.Intersected(grid));
  floating_ = true;
  FindHoles();
  Stamp(canvas);
  return dropped.United(bounds_);
}

PixelRect PixelSelection::Delete(SelectionCanvas canvas) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) return {};
  if (!floating_) Lift(canvas);
  content_ = Filled(bounds_.width, bounds_.height, kNoColour);
  FindHoles();
  Stamp(canvas);
  return Drop(canvas);
}

// Whether the own pixels under and around the float are still what the
// float wrote: anything else changed them (an import, say), and the float can
// then neither become an undo step nor be put back.
bool PixelSelection::StillStamped(const SelectionCanvas& canvas) const {
  const PixelRect grid = GridRect(canvas.pixels);
  const PixelRect clip = bounds_.Intersected(grid);
  bool same = true;
  OwnRuns covered(canvas.tiles, clip.x, clip.Right());
  for (std::int32_t y = clip.y; y < clip.Bottom() && same; ++y) {
    covered.ForRow(y, [&](std::int32_t from, std::int32_t to) {
      for (std::int32_t x = from; x < to; ++x) {
        const std::uint8_t mine = content_.At(x - bounds_.x, y - bounds_.y);
        const std::uint8_t expected = mine == kNoColour ? *Base(x, y) : mine;
        same = same && canvas.pixels.At(x, y) == expected;
      }
    });
  }
  // Lifted pixels the float no longer covers were left at index 0.
  OwnRuns left(canvas.tiles, origin_.x, origin_.Right());
  for (std::int32_t y = origin_.y; y < origin_.Bottom() && same; ++y) {
    left.ForRow(y, [&](std::int32_t from, std::int32_t to) {
      for (std::int32_t x = from; x < to; ++x) {
        same = same && (bounds_.Contains(x, y) || canvas.pixels.At(x, y) == 0);
      }
    });
  }
  return same;
}

// The float as one undo step: every pixel it may have changed, from its value
// before the float to its value now. Before the float, the lifted place held
// lifted_ and every other place its base.
void PixelSelection::RecordStep(SelectionCanvas canvas) const {
  UndoHistory& history = canvas.history;
  const PixelGrid& pixels = canvas.pixels;
  history.BeginStroke(pixels);
  for (std::int32_t y = origin_.y; y < origin_.Bottom(); ++y) {
    for (std::int32_t x = origin_.x; x < origin_.Right(); ++x) {
      history.Record(pixels, x, y, lifted_.At(x - origin_.x, y - origin_.y), pixels.At(x, y));
    }
  }
  const PixelRect clip = bounds_.Intersected(GridRect(pixels));
  for (std::int32_t y = clip.y; y < clip.Bottom(); ++y) {
    for (std::int32_t x = clip.x; x < clip.Right(); ++x) {
      if (origin_.Contains(x, y)) continue;
      history.Record(pixels, x, y, *Base(x, y), pixels.At(x, y));
    }
  }
  history.EndStroke(pixels);
}

PixelRect PixelSelection::Drop(SelectionCanvas canvas) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) {
    Forget();
    return {};
  }
  const PixelRect area = Area();
  if (floating_ && StillStamped(canvas)) RecordStep(canvas);
  Forget();
  return area;
}

PixelRect PixelSelection::Cancel(SelectionCanvas canvas) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) return {};
  const PixelRect area = Area();
  const PixelRect origin = origin_;
  if (floating_ && StillStamped(canvas)) {
    const PixelRect clip = bounds_.Intersected(GridRect(canvas.pixels));
    for (std::int32_t y = clip.y; y < clip.Bottom(); ++y) {
      CopyRun(Base(clip.x, y), clip.width, RowAt(canvas.pixels, clip.x, y));
    }
    for (std::int32_t y = origin.y; y < origin.Bottom(); ++y) {
      CopyRun(RowAt(lifted_, 0, y - origin.y), origin.width, RowAt(canvas.pixels, origin.x, y));
    }
  }
  const bool wasFloating = floating_;
  Forget();
  if (wasFloating && !origin.Empty()) {
    grid_ = canvas.pixels.Identity();
    bounds_ = origin;
  }
  return area;
}

PixelGrid PixelSelection::Copy(const SelectionCanvas& canvas) const {
  if (!On(canvas.pixels)) return {};
  if (floating_) return content_;
  PixelGrid copy = Filled(bounds_.width, bounds_.height, kNoColour);
  OwnRuns runs(canvas.tiles, bounds_.x, bounds_.Right());
  for (std::int32_t y = bounds_.y; y < bounds_.Bottom(); ++y) {
    const std::uint8_t* source = RowAt(canvas.pixels, 0, y);
    runs.ForRow(y, [&](std::int32_t from, std::int32_t to) {
      CopyRun(source + from, to - from, RowAt(copy, from - bounds_.x, y - bounds_.y));
    });
  }
  return copy;
}

PixelSelection& ActiveSelection() {
  static PixelSelection selection;
  return selection;
}

SelectionCanvas SpriteCanvas() {
  return {G().SpritePixels, G().TileMap, SpriteHistory()};
}

}  // namespace kerrow
