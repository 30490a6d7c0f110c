// Pointer handling on the edit surface: the status text and the drawing tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "graphics/Surface.h"

namespace kerrow {

// Pointer buttons, combined as a set.
enum ButtonFlag : std::uint8_t {
  kButtonNone = 0,
  kButtonLeft = 1,
  kButtonRight = 2,
  kButtonMiddle = 4,
};
using PointerButtons = std::uint8_t;

// Values of CurrentTool, in toolbar order.
enum Tool : std::int16_t {
  kToolPencil = 0,
  kToolEyedropper = 1,
  kToolColorReplacer = 2,
  kToolSelection = 3,
  kToolEraser = 4,
  kToolSprayCan = 5,
  kToolPaintBucket = 6,
  kToolShape = 7,
};

// Sprite pixel under surface position (x, y): floor division by the zoom, so
// positions left of or above the sprite give negative values.
std::int32_t SurfaceToSprite(std::int32_t surface, std::int32_t zoom);

// A sprite pixel position.
struct SpritePoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const SpritePoint&) const = default;
};

// The sprite pixel under surface position (x, y) at the current zoom.
SpritePoint PointerPixel(std::int32_t x, std::int32_t y);

// "Mouse: px, py" for the status bar.
std::string PointerStatusText(std::int32_t px, std::int32_t py);

// One pointer move or press at surface position (x, y) with `buttons` held:
// applies the current tool to the pixel under the pointer if it lies in a
// white tile, painting it on `surface` at once. With `from`, the sprite pixel
// of the stroke's previous event, the Pencil and the Eraser also apply to every
// pixel of the line from there, under the same rules. Only squares whose pixel
// changed are repainted. Returns the status text. Never throws: a failing step
// is skipped and the next one runs.
std::string HandlePointer(PointerButtons buttons, std::int32_t x, std::int32_t y, Surface& surface,
                          std::optional<SpritePoint> from = std::nullopt);

}  // namespace kerrow
