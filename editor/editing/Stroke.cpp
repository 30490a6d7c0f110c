#include "editing/Stroke.h"

#include <optional>

#include "editing/GestureTools.h"
#include "editing/UndoHistory.h"
#include "shell/SkipOnFailure.h"
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

// The Paint bucket, the Shape and the Spray can act on the whole gesture.
bool ForGesture() {
  return GestureActive() || IsGestureTool(G().CurrentTool);
}

// Only the status text: the gesture tools draw through GestureTools.
std::string Status(std::int32_t x, std::int32_t y, Surface& surface) {
  return HandlePointer(kButtonNone, x, y, surface);
}

}  // namespace

std::string StrokePress(PointerButtons pressed, std::int32_t x, std::int32_t y, Surface& surface,
                        bool constrain) {
  Begin();
  if (!ForGesture()) return Apply(pressed, x, y, surface);
  SkipOnFailure([&] { GesturePress(pressed, PointerPixel(x, y), constrain, surface); });
  return Status(x, y, surface);
}

std::string StrokeMove(PointerButtons held, std::int32_t x, std::int32_t y, Surface& surface,
                       bool constrain) {
  if (held == kButtonNone) {
    if (GestureActive()) CancelGesture(surface);
    StrokeRelease(kButtonNone);
    return HandlePointer(kButtonNone, x, y, surface);
  }
  Begin();
  if (!ForGesture()) return Apply(held, x, y, surface);
  SkipOnFailure([&] { GestureMove(held, PointerPixel(x, y), constrain, surface); });
  return Status(x, y, surface);
}

void StrokeRelease(PointerButtons stillHeld) {
  if (stillHeld != kButtonNone) return;
  SpriteHistory().EndStroke(G().SpritePixels);
  LastPixel().reset();
}

void StrokeRelease(PointerButtons stillHeld, std::int32_t x, std::int32_t y, Surface& surface,
                   bool constrain) {
  if (stillHeld == kButtonNone && GestureActive()) {
    Begin();  // an Undo during the drag ended the stroke: the shape is a step of its own
    SkipOnFailure([&] { GestureRelease(PointerPixel(x, y), constrain, surface); });
  }
  StrokeRelease(stillHeld);
}

void StrokeTick(Surface& surface) {
  if (!Spraying()) return;
  Begin();
  SkipOnFailure([&] { SprayTick(surface); });
}

}  // namespace kerrow
