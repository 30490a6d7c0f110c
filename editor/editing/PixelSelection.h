// The Selection tool's rectangle of sprite pixels: marked, lifted, moved,
// flipped, pasted and dropped.
//
// While a selection floats (lifted by a move or a flip, or pasted), its pixels
// are written into the sprite's own tiles wherever it lies, so the pixel grid
// always holds what a save would write. Pixels of the selection that lie over
// context tiles, empty positions or beyond the sprite stay in the selection but
// are not written; moving it back over own tiles shows them again. A float
// becomes one undo step when it is dropped, and Escape puts everything back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "editing/Tools.h"
#include "graphics/PixelGrid.h"
#include "graphics/Surface.h"

namespace kerrow {

class UndoHistory;

// A rectangle of sprite pixels; it may reach beyond the sprite.
struct PixelRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;

  bool Empty() const { return width <= 0 || height <= 0; }
  std::int32_t Right() const { return x + width; }  // one past the last column
  std::int32_t Bottom() const { return y + height; }
  bool Contains(std::int32_t px, std::int32_t py) const {
    return px >= x && py >= y && px < Right() && py < Bottom();
  }
  PixelRect Intersected(const PixelRect& other) const;
  PixelRect United(const PixelRect& other) const;  // the smallest rectangle holding both
  bool operator==(const PixelRect&) const = default;
};

// The sprite a selection works on.
struct SelectionCanvas {
  PixelGrid& pixels;
  const PixelGrid& tiles;  // TileState per 8 x 8 tile
  UndoHistory& history;
};

class PixelSelection {
 public:
  // Whether there is a selection on `pixels`. A selection made on another grid
  // (another sprite, or another load of this one) no longer counts.
  bool On(const PixelGrid& pixels) const;
  bool Floating() const { return floating_; }
  // Where the selection is now.
  const PixelRect& Bounds() const { return bounds_; }
  // A floating selection's pixels, kNoColour where it holds none.
  const PixelGrid& Content() const { return content_; }

  // Every change below returns the sprite area whose picture changed (pixels,
  // the outline, or floating pixels shown beyond own tiles); empty if none.

  // Selects the rectangle with corners `from` and `to` (both included),
  // clipped to the sprite, after dropping any float. Nothing is selected when
  // it lies wholly outside the sprite.
  PixelRect Mark(SelectionCanvas canvas, SpritePoint from, SpritePoint to);
  PixelRect SelectAll(SelectionCanvas canvas);
  // Moves the selection's top-left corner to (x, y), lifting a marked
  // selection first: the own pixels it leaves become index 0. The selection
  // keeps at least one column and one row over the sprite.
  PixelRect MoveTo(SelectionCanvas canvas, std::int32_t x, std::int32_t y);
  PixelRect MoveBy(SelectionCanvas canvas, std::int32_t dx, std::int32_t dy);
  // Mirrors the selection's pixels left to right or top to bottom (lifting it).
  PixelRect Flip(SelectionCanvas canvas, bool horizontal);
  // Floats `content` (kNoColour for pixels it does not hold) with its top-left
  // corner at (x, y), after dropping any float.
  PixelRect Paste(SelectionCanvas canvas, PixelGrid content, std::int32_t x, std::int32_t y);
  // Sets the selection's own pixels to index 0 and drops it: one undo step.
  PixelRect Delete(SelectionCanvas canvas);
  // Leaves a float where it is as one undo step; nothing stays selected.
  PixelRect Drop(SelectionCanvas canvas);
  // Escape: a float is taken back (the pixels return to where they were and a
  // moved selection is marked there again); a marked selection is given up.
  PixelRect Cancel(SelectionCanvas canvas);

  // The selection's pixels: a float's content, or the marked rectangle's own
  // pixels with kNoColour elsewhere. Empty without a selection.
  PixelGrid Copy(const SelectionCanvas& canvas) const;

  // Forgets the selection without touching any pixel.
  void Forget();

 private:
  bool Adopt(const PixelGrid& pixels);
  void Lift(SelectionCanvas canvas);
  void FindHoles();
  void Stamp(SelectionCanvas canvas);
  void Cover(SelectionCanvas canvas, const PixelRect& area);
  const std::uint8_t* Base(std::int32_t x, std::int32_t y) const;
  bool StillStamped(const SelectionCanvas& canvas) const;
  void RecordStep(SelectionCanvas canvas) const;
  PixelRect Area() const;

  std::uint64_t grid_ = 0;  // identity of the pixel grid the selection belongs to
  PixelRect bounds_;
  bool floating_ = false;
  // A float: its pixels; the sprite's pixels as they are without it (its
  // base: as before the float, the lifted pixels at 0) over baseArea_, which
  // holds every place of the sprite it has covered; where it was lifted from
  // (empty for a paste) and the pixels there before the lift.
  PixelGrid content_;
  std::vector<std::uint8_t> holes_;  // per row of content_: 1 when it lacks a pixel
  PixelGrid base_;
  PixelRect baseArea_;
  PixelRect origin_;
  PixelGrid lifted_;
};

// The editor's selection, on the loaded sprite.
PixelSelection& ActiveSelection();
// The loaded sprite as a selection's canvas: SpritePixels, TileMap, the undo history.
SelectionCanvas SpriteCanvas();

}  // namespace kerrow
