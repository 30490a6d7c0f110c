#include "editing/Tools.h"

#include <algorithm>
#include <cstdlib>

#include "editing/UndoHistory.h"
#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// Lines longer than this are not drawn (only their end): no pointer on a
// screen moves that far between two events, and the loop stays bounded.
constexpr std::int64_t kLongestLine = 1 << 16;

// floor(n / d) for a positive d.
std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
  return n / d - (n % d < 0 ? 1 : 0);
}

void Paint(Surface& surface, std::int32_t px, std::int32_t py, std::uint8_t index) {
  auto& g = G();
  // A tile map that reaches beyond the pixel grid must not paint a pixel that is not stored.
  if (!g.SpritePixels.Contains(px, py)) return;
  g.SpriteDirty = true;
  const std::uint8_t before = g.SpritePixels.At(px, py);
  if (before == index) return;  // the square already shows it
  SkipOnFailure([&] { surface.DrawPixel(px, py, index); });
  g.SpritePixels.At(px, py) = index;
  SpriteHistory().Record(g.SpritePixels, px, py, before, index);
}

void PickColour(ColourSelection& selection, std::uint8_t index) {
  selection.Index = index;
  selection.Shown = G().Palette.Entries.at(index).Colour;
}

bool Editable(std::int32_t px, std::int32_t py) {
  return G().TileMap.ValueOr0(SurfaceToSprite(px, 8), SurfaceToSprite(py, 8)) == kTileWhite;
}

void ApplyTool(PointerButtons buttons, std::int32_t px, std::int32_t py, Surface& surface) {
  auto& g = G();
  const bool left = buttons == kButtonLeft;
  const bool right = buttons == kButtonRight;
  const auto fore = static_cast<std::uint8_t>(g.Palette.Fore.Index);
  const auto back = static_cast<std::uint8_t>(g.Palette.Back.Index);

  switch (g.CurrentTool) {
    case kToolPencil:
      if (left) Paint(surface, px, py, fore);
      if (right) Paint(surface, px, py, back);
      break;
    case kToolEyedropper: {
      if (!left && !right) break;
      const std::uint8_t p = g.SpritePixels.At(px, py);
      PickColour(left ? g.Palette.Fore : g.Palette.Back, p);
      break;
    }
    case kToolColorReplacer: {
      if (!left && !right) break;
      const std::uint8_t p = g.SpritePixels.At(px, py);
      if (left && p == fore) Paint(surface, px, py, back);
      if (right && p == back) Paint(surface, px, py, fore);
      break;
    }
    case kToolEraser:
      Paint(surface, px, py, 0);
      break;
    default:  // Selection changes nothing; the Spray can, the Paint bucket and the Shape
              // act on whole gestures (GestureTools), not pixel by pixel.
      break;
  }
}

void ApplyIfEditable(PointerButtons buttons, std::int32_t px, std::int32_t py, Surface& surface) {
  if (Editable(px, py)) SkipOnFailure([&] { ApplyTool(buttons, px, py, surface); });
}

// Applies the tool to the pixels strictly between `from` and `to` on the
// line joining them (one pixel per step along the longer axis).
void ApplyAlongLine(PointerButtons buttons, SpritePoint from, SpritePoint to, Surface& surface) {
  const std::int64_t dx = std::int64_t{to.x} - from.x;
  const std::int64_t dy = std::int64_t{to.y} - from.y;
  const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  if (steps < 2 || steps > kLongestLine) return;
  for (std::int64_t i = 1; i < steps; ++i) {
    // The pixel nearest the exact point, halves rounded up.
    const auto x = from.x + FloorDiv(2 * dx * i + steps, 2 * steps);
    const auto y = from.y + FloorDiv(2 * dy * i + steps, 2 * steps);
    ApplyIfEditable(buttons, static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), surface);
  }
}

}  // namespace

std::int32_t SurfaceToSprite(std::int32_t surface, std::int32_t zoom) {
  std::int32_t quotient = surface / zoom;
  if (surface % zoom != 0 && surface < 0) --quotient;
  return quotient;
}

SpritePoint PointerPixel(std::int32_t x, std::int32_t y) {
  const std::int32_t zoom = G().ZoomFactor > 0 ? G().ZoomFactor : 1;
  return {SurfaceToSprite(x, zoom), SurfaceToSprite(y, zoom)};
}

std::string PointerStatusText(std::int32_t px, std::int32_t py) {
  return "Mouse: " + std::to_string(px) + ", " + std::to_string(py);
}

std::string HandlePointer(PointerButtons buttons, std::int32_t x, std::int32_t y, Surface& surface,
                          std::optional<SpritePoint> from) {
  const SpritePoint at = PointerPixel(x, y);
  if (buttons != kButtonNone) {
    const std::int16_t tool = G().CurrentTool;
    if (from && (tool == kToolPencil || tool == kToolEraser)) {
      ApplyAlongLine(buttons, *from, at, surface);
    }
    if (tool <= kToolEraser) ApplyIfEditable(buttons, at.x, at.y, surface);
  }
  return PointerStatusText(at.x, at.y);
}

}  // namespace kerrow
