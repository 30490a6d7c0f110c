#include "editing/PixelSelection.h"

#include <utility>

#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

PixelRect GridRect(const PixelGrid& grid) {
  return {0, 0, grid.Width(), grid.Height()};
}

// Calls `run(from, to)` for every stretch [from, to) of row y between columns
// x0 and x1 (inside the grid) whose pixels lie in own tiles. A stretch spans
// as many neighbouring own tiles as there are, so rows are copied in long runs.
template <class Run>
void ForOwnRuns(const PixelGrid& tiles, std::int32_t y, std::int32_t x0, std::int32_t x1, Run run) {
  std::int32_t start = -1;
  for (std::int32_t tx = x0 / 8; tx * 8 < x1; ++tx) {
    const std::int32_t from = std::max(x0, tx * 8);
    if (tiles.ValueOr0(tx, y / 8) == kTileWhite) {
      if (start < 0) start = from;
    } else if (start >= 0) {
      run(start, from);
      start = -1;
    }
  }
  if (start >= 0) run(start, x1);
}

// `count` cells of `grid` from (x, y) on, along the row.
std::uint8_t* RowAt(PixelGrid& grid, std::int32_t x, std::int32_t y) {
  return &grid.At(x, y);
}
const std::uint8_t* RowAt(const PixelGrid& grid, std::int32_t x, std::int32_t y) {
  return &grid.Cells()[grid.Index(x, y)];
}

void CopyRun(const std::uint8_t* from, std::int32_t count, std::uint8_t* to) {
  if (count > 0) std::copy_n(from, count, to);
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
  under_ = PixelGrid();
  spare_ = PixelGrid();
  origin_ = {};
  lifted_ = PixelGrid();
}

PixelRect PixelSelection::Area() const {
  return bounds_.United(origin_);
}

PixelRect PixelSelection::Mark(SelectionCanvas canvas, SpritePoint from, SpritePoint to) {
  const PixelRect dropped = Drop(canvas);
  Adopt(canvas.pixels);
  const PixelRect spanned{std::min(from.x, to.x), std::min(from.y, to.y),
                          std::max(from.x, to.x) - std::min(from.x, to.x) + 1,
                          std::max(from.y, to.y) - std::min(from.y, to.y) + 1};
  bounds_ = spanned.Intersected(GridRect(canvas.pixels));
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
  under_ = PixelGrid(at.width, at.height);
  for (std::int32_t row = 0; row < at.height; ++row) {
    const std::int32_t y = at.y + row;
    const std::uint8_t* source = RowAt(canvas.pixels, at.x, y);
    CopyRun(source, at.width, RowAt(lifted_, 0, row));
    CopyRun(source, at.width, RowAt(under_, 0, row));
    ForOwnRuns(canvas.tiles, y, at.x, at.Right(), [&](std::int32_t from, std::int32_t to) {
      CopyRun(source + (from - at.x), to - from, RowAt(content_, from - at.x, row));
      std::fill_n(RowAt(under_, from - at.x, row), to - from, std::uint8_t{0});
    });
  }
  origin_ = at;
  floating_ = true;
}

// Writes the float into the own pixels it covers: its pixels where it holds
// one, what lies under it (`under`) elsewhere.
void PixelSelection::Stamp(SelectionCanvas canvas, const PixelGrid& under) {
  const PixelRect clip = bounds_.Intersected(GridRect(canvas.pixels));
  for (std::int32_t y = clip.y; y < clip.Bottom(); ++y) {
    const std::int32_t row = y - bounds_.y;
    ForOwnRuns(canvas.tiles, y, clip.x, clip.Right(), [&](std::int32_t from, std::int32_t to) {
      std::uint8_t* target = RowAt(canvas.pixels, from, y);
      const std::uint8_t* mine = RowAt(content_, from - bounds_.x, row);
      const std::uint8_t* below = RowAt(under, from - bounds_.x, row);
      for (std::int32_t i = 0; i < to - from; ++i) {
        target[i] = mine[i] == kNoColour ? below[i] : mine[i];
      }
    });
  }
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
  // What lies under the new place without the float: the grid there, except
  // where the float still covers it, which under_ knows.
  if (spare_.Width() != now.width || spare_.Height() != now.height) {
    spare_ = PixelGrid(now.width, now.height);
  }
  const PixelRect to = now.Intersected(grid);
  for (std::int32_t row = to.y; row < to.Bottom(); ++row) {
    std::uint8_t* next = RowAt(spare_, to.x - now.x, row - now.y);
    const std::uint8_t* pixels = RowAt(canvas.pixels, to.x, row);
    std::int32_t coveredFrom = to.Right();
    std::int32_t coveredTo = to.Right();
    if (row >= old.y && row < old.Bottom()) {
      coveredFrom = std::clamp(old.x, to.x, to.Right());
      coveredTo = std::clamp(old.Right(), coveredFrom, to.Right());
    }
    CopyRun(pixels, coveredFrom - to.x, next);
    if (coveredTo > coveredFrom) {
      CopyRun(RowAt(under_, coveredFrom - old.x, row - old.y), coveredTo - coveredFrom,
              next + (coveredFrom - to.x));
    }
    CopyRun(pixels + (coveredTo - to.x), to.Right() - coveredTo, next + (coveredTo - to.x));
  }
  // The place the float leaves gets back what lies under it.
  const PixelRect from = old.Intersected(grid);
  for (std::int32_t row = from.y; row < from.Bottom(); ++row) {
    const std::uint8_t* below = RowAt(under_, from.x - old.x, row - old.y);
    std::uint8_t* pixels = RowAt(canvas.pixels, from.x, row);
    std::int32_t keptFrom = from.Right();  // columns the float still covers
    std::int32_t keptTo = from.Right();
    if (row >= now.y && row < now.Bottom()) {
      keptFrom = std::clamp(now.x, from.x, from.Right());
      keptTo = std::clamp(now.Right(), keptFrom, from.Right());
    }
    CopyRun(below, keptFrom - from.x, pixels);
    CopyRun(below + (keptTo - from.x), from.Right() - keptTo, pixels + (keptTo - from.x));
  }
  std::swap(under_, spare_);
  bounds_ = now;
  Stamp(canvas, under_);
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
  }
  Stamp(canvas, under_);
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
  under_ = PixelGrid(width, height);
  const PixelRect clip = bounds_.Intersected(grid);
  for (std::int32_t row = clip.y; row < clip.Bottom(); ++row) {
    CopyRun(RowAt(canvas.pixels, clip.x, row), clip.width,
            RowAt(under_, clip.x - bounds_.x, row - bounds_.y));
  }
  floating_ = true;
  Stamp(canvas, under_);
  return dropped.United(bounds_);
}

PixelRect PixelSelection::Delete(SelectionCanvas canvas) {
  if (!Adopt(canvas.pixels) || bounds_.Empty()) return {};
  if (!floating_) Lift(canvas);
  content_ = Filled(bounds_.width, bounds_.height, kNoColour);
  Stamp(canvas, under_);
  return Drop(canvas);
}

// Whether the own pixels under and around the float are still what the
// float wrote: anything else changed them (an import, say), and the float can
// then neither become an undo step nor be put back.
bool PixelSelection::StillStamped(const SelectionCanvas& canvas) const {
  const PixelRect grid = GridRect(canvas.pixels);
  const PixelRect clip = bounds_.Intersected(grid);
  bool same = true;
  for (std::int32_t y = clip.y; y < clip.Bottom() && same; ++y) {
    ForOwnRuns(canvas.tiles, y, clip.x, clip.Right(), [&](std::int32_t from, std::int32_t to) {
      for (std::int32_t x = from; x < to; ++x) {
        const std::uint8_t mine = content_.At(x - bounds_.x, y - bounds_.y);
        const std::uint8_t expected = mine == kNoColour ? under_.At(x - bounds_.x, y - bounds_.y)
                                                        : mine;
        same = same && canvas.pixels.At(x, y) == expected;
      }
    });
  }
  // Lifted pixels the float no longer covers were left at index 0.
  for (std::int32_t y = origin_.y; y < origin_.Bottom() && same; ++y) {
    ForOwnRuns(canvas.tiles, y, origin_.x, origin_.Right(), [&](std::int32_t from, std::int32_t to) {
      for (std::int32_t x = from; x < to; ++x) {
        same = same && (bounds_.Contains(x, y) || canvas.pixels.At(x, y) == 0);
      }
    });
  }
  return same;
}

// The float as one undo step: every pixel it may have changed, from its value
// before the float to its value now. Before the float, the lifted place held
// lifted_ and every other place what under_ holds.
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
      history.Record(pixels, x, y, under_.At(x - bounds_.x, y - bounds_.y), pixels.At(x, y));
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
      CopyRun(RowAt(under_, clip.x - bounds_.x, y - bounds_.y), clip.width,
              RowAt(canvas.pixels, clip.x, y));
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
  for (std::int32_t y = bounds_.y; y < bounds_.Bottom(); ++y) {
    const std::uint8_t* source = RowAt(canvas.pixels, 0, y);
    ForOwnRuns(canvas.tiles, y, bounds_.x, bounds_.Right(), [&](std::int32_t from, std::int32_t to) {
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
