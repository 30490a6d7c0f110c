// A stroke on the edit surface lasts from the first button pressed to the
// release of the last one: one undo step, and the Pencil and the Eraser join
// its successive positions with lines.
#pragma once

#include <cstdint>
#include <string>

#include "editing/Tools.h"
#include "graphics/Surface.h"

namespace kerrow {

// A button pressed at surface position (x, y): handled as a move with that one
// button held; starts a stroke unless one is in progress. Returns the status
// text. `constrain` (Shift held) keeps shapes to 45 degree lines and squares.
std::string StrokePress(PointerButtons pressed, std::int32_t x, std::int32_t y, Surface& surface,
                        bool constrain = false);

// A pointer move with `held` buttons. A held button with no stroke in progress
// (an Undo ended it) starts a new one; no button held ends any stroke whose
// release was missed (a shape being dragged is dropped). Returns the status text.
std::string StrokeMove(PointerButtons held, std::int32_t x, std::int32_t y, Surface& surface,
                       bool constrain = false);

// A button released; `stillHeld` are the buttons that remain down. The stroke
// ends with the last one.
void StrokeRelease(PointerButtons stillHeld);
// The same, released at surface position (x, y): a shape is drawn to there.
void StrokeRelease(PointerButtons stillHeld, std::int32_t x, std::int32_t y, Surface& surface,
                   bool constrain = false);

// The Spray can's timer fired: it sprays again where the pointer last was.
void StrokeTick(Surface& surface);

}  // namespace kerrow
