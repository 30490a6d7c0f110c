// The Selection tool on the loaded sprite: dragging marks or moves the
// selection, keys nudge, drop or put it back, and the Edit menu's commands act
// on it. Each returns the sprite area to repaint (empty when nothing changed).
#pragma once

#include <cstdint>

#include "editing/PixelSelection.h"
#include "editing/Tools.h"

namespace kerrow {

// The left button pressed inside the selection grabs it; outside, it drops
// any float and starts marking a rectangle. Other buttons do nothing.
PixelRect SelectionPress(PointerButtons pressed, SpritePoint at);
// With the left button alone held: the marked rectangle follows the pointer,
// or the grabbed selection moves with it.
PixelRect SelectionMove(PointerButtons held, SpritePoint at);
// The drag ends with the last button; a click that never left its pixel
// outside the selection leaves nothing selected.
PixelRect SelectionRelease(PointerButtons stillHeld);

enum class SelectionKey { Left, Right, Up, Down, Enter, Escape };
// Arrows move the selection by `step` pixels, Enter drops it, Escape puts it
// back. Keys other than Escape wait until no button is held.
PixelRect SelectionKeyPress(SelectionKey key, std::int32_t step);

// Drops a float where it is, as one undo step, and ends any drag: for
// another tool, Undo and Redo, and anything else that changes the pixels.
PixelRect DropSelection();

// Whether the loaded sprite (completely loaded) can be selected and edited.
bool SpriteSelectable();
// Whether there is a selection on it to show and act on.
bool SelectionActive();

PixelRect SelectAllPixels();
PixelRect DeleteSelection();
PixelRect FlipSelection(bool horizontal);
// Floats `content` with its top-left corner at `at` (clamped into the sprite).
PixelRect PasteSelection(PixelGrid content, SpritePoint at);
// The selection's pixels (kNoColour for those it does not hold); empty without one.
PixelGrid CopySelection();

}  // namespace kerrow
