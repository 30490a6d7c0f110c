#include "editing/Tools.h"

#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

void Paint(Surface& surface, std::int32_t px, std::int32_t py, std::uint8_t index) {
  auto& g = G();
  // A tile map that reaches beyond the pixel grid must not paint a pixel that is not stored.
  if (!g.SpritePixels.Contains(px, py)) return;
  g.SpriteDirty = true;
  SkipOnFailure([&] { surface.DrawPixel(px, py, index); });
  g.SpritePixels.At(px, py) = index;
}

void PickColour(ColourSelection& selection, std::uint8_t index) {
  selection.Index = index;
  selection.Shown = G().Palette.Entries.at(index).Colour;
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
    default:  // Selection and the tools above the Eraser change nothing.
      break;
  }
}

}  // namespace

std::int32_t SurfaceToSprite(std::int32_t surface, std::int32_t zoom) {
  std::int32_t quotient = surface / zoom;
  if (surface % zoom != 0 && surface < 0) --quotient;
  return quotient;
}

std::string PointerStatusText(std::int32_t px, std::int32_t py) {
  return "Mouse: " + std::to_string(px) + ", " + std::to_string(py);
}

std::string HandlePointer(PointerButtons buttons, std::int32_t x, std::int32_t y,
                          Surface& surface) {
  const auto& g = G();
  const std::int32_t zoom = g.ZoomFactor > 0 ? g.ZoomFactor : 1;
  const std::int32_t px = SurfaceToSprite(x, zoom);
  const std::int32_t py = SurfaceToSprite(y, zoom);
  const std::uint8_t cell = g.TileMap.ValueOr0(SurfaceToSprite(px, 8), SurfaceToSprite(py, 8));

  if (cell == kTileWhite && buttons != kButtonNone && g.CurrentTool <= kToolEraser) {
    SkipOnFailure([&] { ApplyTool(buttons, px, py, surface); });
  }
  return PointerStatusText(px, py);
}

}  // namespace kerrow
