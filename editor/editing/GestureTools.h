// The tools that act on a whole gesture rather than on the pixel under each
// pointer event: the Paint bucket (on the press), the Shape (from the press to
// the release, with a preview) and the Spray can (while a button is held).
// They write only the sprite's own tiles and report every change to the undo
// history; the caller holds the stroke open around each call.
#pragma once

#include <cstdint>
#include <vector>

#include "editing/FloodFill.h"
#include "editing/Tools.h"
#include "graphics/Surface.h"

namespace kerrow {

bool IsGestureTool(std::int16_t tool);

// A gesture started by a press is under way (until its release or cancel).
bool GestureActive();

// `constrain`: Shift is held (lines at 45 degree steps, square boxes).
void GesturePress(PointerButtons pressed, SpritePoint at, bool constrain, Surface& surface);
void GestureMove(PointerButtons held, SpritePoint at, bool constrain, Surface& surface);
// Ends the gesture: the Shape draws itself from its press to `at`.
void GestureRelease(SpritePoint at, bool constrain, Surface& surface);
// Shift went down or up during a drag: the Shape's preview follows at once.
void GestureConstrain(bool constrain, Surface& surface);
// Ends the gesture without drawing (a release that was missed).
void CancelGesture(Surface& surface);

// The Spray can's timer: one more tick at the pointer's last position while it sprays.
bool Spraying();
void SprayTick(Surface& surface);

// The Shape being dragged, drawn over the surface; empty when there is none.
struct ShapePreview {
  std::vector<PixelSpan> Spans;
  std::uint8_t Index = 0;
};
const ShapePreview& CurrentShapePreview();

}  // namespace kerrow
