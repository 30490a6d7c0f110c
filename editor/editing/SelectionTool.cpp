#include "editing/SelectionTool.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "shell/bGlobals.h"

namespace kerrow {
namespace {

enum class DragKind { None, Marking, Moving };

struct Drag {
  DragKind kind = DragKind::None;
  SpritePoint anchor;  // the pixel pressed
  SpritePoint corner;  // moving: the selection's top-left corner at the press
  bool wandered = false;  // marking: the pointer has left the pixel pressed
};

Drag& CurrentDrag() {
  static Drag drag;
  return drag;
}

// Marks the sprite changed when pixels were written.
PixelRect Written(PixelRect area) {
  if (!area.Empty()) G().SpriteDirty = true;
  return area;
}

// A sprite load that failed part-way leaves the surface read-only (its own
// tiles shaded): a selection left from before is given up, writing nothing.
// `gone` receives the area it covered.
bool Usable(PixelRect& gone) {
  if (SpriteSelectable()) return true;
  PixelSelection& selection = ActiveSelection();
  if (selection.On(G().SpritePixels)) gone = selection.Bounds();
  selection.Forget();
  CurrentDrag() = {};
  return false;
}

}  // namespace

bool SpriteSelectable() {
  const auto& g = G();
  return g.SpriteLoaded && g.FailedSelection.empty() && !g.SpritePixels.Empty();
}

bool SelectionActive() {
  return SpriteSelectable() && ActiveSelection().On(G().SpritePixels);
}

PixelRect SelectionPress(PointerButtons pressed, SpritePoint at) {
  // A second left press without a release between starts over: that release was missed.
  Drag& drag = CurrentDrag();
  if (pressed != kButtonLeft || !SpriteSelectable()) return {};
  PixelSelection& selection = ActiveSelection();
  if (selection.On(G().SpritePixels) && selection.Bounds().Contains(at.x, at.y)) {
    drag = {DragKind::Moving, at, {selection.Bounds().x, selection.Bounds().y}, false};
    return {};
  }
  drag = {DragKind::Marking, at, {}, false};
  return selection.Drop(SpriteCanvas());
}

PixelRect SelectionMove(PointerButtons held, SpritePoint at) {
  Drag& drag = CurrentDrag();
  if (held == kButtonNone) return SelectionRelease(kButtonNone);  // its release was missed
  if (held != kButtonLeft || drag.kind == DragKind::None) return {};
  if (PixelRect gone; !Usable(gone)) return gone;
  PixelSelection& selection = ActiveSelection();
  if (drag.kind == DragKind::Marking) {
    if (at == drag.anchor && !drag.wandered) return {};
    drag.wandered = true;
    return selection.Mark(SpriteCanvas(), drag.anchor, at);
  }
  if (!selection.On(G().SpritePixels)) {  // dropped while the button was held
    drag = {};
    return {};
  }
  // The selection keeps to the sprite, so far-off pointers need no more than 32 bits.
  auto follow = [](std::int32_t corner, std::int32_t at, std::int32_t anchor) {
    const std::int64_t to = std::int64_t{corner} + at - anchor;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(to, INT32_MIN / 2, INT32_MAX / 2));
  };
  return Written(selection.MoveTo(SpriteCanvas(), follow(drag.corner.x, at.x, drag.anchor.x),
                                  follow(drag.corner.y, at.y, drag.anchor.y)));
}

PixelRect SelectionRelease(PointerButtons stillHeld) {
  if (stillHeld == kButtonNone) CurrentDrag() = {};
  return {};
}

PixelRect SelectionKeyPress(SelectionKey key, std::int32_t step) {
  if (PixelRect gone; !Usable(gone)) return gone;
  PixelSelection& selection = ActiveSelection();
  if (key == SelectionKey::Escape) {
    CurrentDrag() = {};
    const bool floating = selection.Floating();
    const PixelRect area = selection.Cancel(SpriteCanvas());
    return floating ? Written(area) : area;
  }
  if (CurrentDrag().kind != DragKind::None || !selection.On(G().SpritePixels)) return {};
  switch (key) {
    case SelectionKey::Enter:
      return selection.Drop(SpriteCanvas());
    case SelectionKey::Left:
      return Written(selection.MoveBy(SpriteCanvas(), -step, 0));
    case SelectionKey::Right:
      return Written(selection.MoveBy(SpriteCanvas(), step, 0));
    case SelectionKey::Up:
      return Written(selection.MoveBy(SpriteCanvas(), 0, -step));
    case SelectionKey::Down:
      return Written(selection.MoveBy(SpriteCanvas(), 0, step));
    case SelectionKey::Escape:
      break;
  }
  return {};
}

PixelRect DropSelection() {
  if (PixelRect gone; !Usable(gone)) return gone;
  CurrentDrag() = {};
  return ActiveSelection().Drop(SpriteCanvas());
}

PixelRect SelectAllPixels() {
  if (PixelRect gone; !Usable(gone)) return gone;
  CurrentDrag() = {};
  return ActiveSelection().SelectAll(SpriteCanvas());
}

PixelRect DeleteSelection() {
  if (PixelRect gone; !Usable(gone)) return gone;
  CurrentDrag() = {};
  return Written(ActiveSelection().Delete(SpriteCanvas()));
}

PixelRect FlipSelection(bool horizontal) {
  if (PixelRect gone; !Usable(gone)) return gone;
  CurrentDrag() = {};
  return Written(ActiveSelection().Flip(SpriteCanvas(), horizontal));
}

PixelRect PasteSelection(PixelGrid content, SpritePoint at) {
  if (PixelRect gone; !Usable(gone)) return gone;
  CurrentDrag() = {};
  return Written(ActiveSelection().Paste(SpriteCanvas(), std::move(content), at.x, at.y));
}

PixelGrid CopySelection() {
  return ActiveSelection().Copy(SpriteCanvas());
}

}  // namespace kerrow
