#include "editing/Stroke.h"

#include <optional>

#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

// The sprite pixel of the stroke's last event; meaningful only while the
// history has the stroke open, so a stroke ended by Undo is never joined.
std::optional<SpritePoint>& LastPixel() {
  static std::optional<SpritePoint> last;
  return last;
}

void Begin() {
  UndoHistory& history = SpriteHistory();
  if (history.InStroke()) return;
  history.BeginStroke(G().SpritePixels);
  LastPixel().reset();
}

std::string Apply(PointerButtons buttons, std::int32_t x, std::int32_t y, Surface& surface) {
  std::string status = HandlePointer(buttons, x, y, surface, LastPixel());
  LastPixel() = PointerPixel(x, y);
  return status;
}

}  // namespace

std::string StrokePress(PointerButtons pressed, std::int32_t x, std::int32_t y, Surface& surface) {
  Begin();
  return Apply(pressed, x, y, surface);
}

std::string StrokeMove(PointerButtons held, std::int32_t x, std::int32_t y, Surface& surface) {
  if (held == kButtonNone) {
    StrokeRelease(kButtonNone);
    return HandlePointer(kButtonNone, x, y, surface);
  }
  Begin();
  return Apply(held, x, y, surface);
}

void StrokeRelease(PointerButtons stillHeld) {
  if (stillHeld != kButtonNone) return;
  SpriteHistory().EndStroke(G().SpritePixels);
  LastPixel().reset();
}

}  // namespace kerrow
