// The Shape tool's geometry: the pixels of a line, rectangle or ellipse
// between the press and the release pixel.
#pragma once

#include <vector>

#include "editing/FloodFill.h"
#include "editing/ToolOptions.h"
#include "editing/Tools.h"

namespace kerrow {

// With `constrain` (Shift held), the end a line or box is drawn to: a line
// turns to the nearest multiple of 45 degrees, a box becomes a square whose
// side is the longer of the two.
SpritePoint ConstrainedEnd(ShapeKind kind, SpritePoint from, SpritePoint to);

// The pixels of the shape from `from` to `to` (both included; a box or an
// ellipse fills the rectangle they span), as row spans, each pixel once. A line
// takes one pixel per step along its longer axis, the one nearest the exact
// point, halves rounded up. An ellipse takes the pixels whose centres lie in
// the ellipse inscribed in the rectangle; its outline the ones of those that
// have a side neighbour outside.
std::vector<PixelSpan> ShapeSpans(ShapeKind kind, SpritePoint from, SpritePoint to);

}  // namespace kerrow
