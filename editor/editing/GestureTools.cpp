#include "editing/GestureTools.h"

#include <algorithm>
#include <optional>

#include "editing/ShapeTool.h"
#include "editing/SprayCan.h"
#include "editing/ToolOptions.h"
#include "editing/UndoHistory.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

struct Gesture {
  std::uint64_t grid = 0;  // the pixels it draws on: another sprite's load ends it
  std::int16_t tool = 0;
  std::uint8_t index = 0;
  SpritePoint origin;
  SpritePoint last;
};

ShapePreview& Preview() {
  static ShapePreview preview;
  return preview;
}

std::optional<Gesture>& Current() {
  static std::optional<Gesture> gesture;
  if (gesture && gesture->grid != G().SpritePixels.Identity()) {
    gesture.reset();
    Preview() = ShapePreview{};
  }
  return gesture;
}

Gesture Start(std::int16_t tool, std::uint8_t index, SpritePoint at) {
  return Gesture{G().SpritePixels.Identity(), tool, index, at, at};
}

// The colour a button set paints with: left the foreground, right the background.
std::optional<std::uint8_t> ButtonIndex(PointerButtons buttons) {
  const auto& palette = G().Palette;
  if (buttons == kButtonLeft) return static_cast<std::uint8_t>(palette.Fore.Index & 0x0F);
  if (buttons == kButtonRight) return static_cast<std::uint8_t>(palette.Back.Index & 0x0F);
  return std::nullopt;
}

// Sprite pixels covered by `spans`, clipped to the grid; false when none.
bool Bounds(const std::vector<PixelSpan>& spans, std::int32_t& x0, std::int32_t& y0,
            std::int32_t& x1, std::int32_t& y1) {
  if (spans.empty()) return false;
  x0 = y0 = INT32_MAX;
  x1 = y1 = INT32_MIN;
  for (const PixelSpan& span : spans) {
    x0 = std::min(x0, span.x0);
    x1 = std::max(x1, span.x1);
    y0 = std::min(y0, span.y);
    y1 = std::max(y1, span.y);
  }
  const PixelGrid& pixels = G().SpritePixels;
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, pixels.Width() - 1);
  y1 = std::min(y1, pixels.Height() - 1);
  return x0 <= x1 && y0 <= y1;
}

void Repaint(const std::vector<PixelSpan>& spans, Surface& surface) {
  std::int32_t x0, y0, x1, y1;
  if (Bounds(spans, x0, y0, x1, y1)) surface.RepaintArea(x0, y0, x1, y1);
}

// Gives `index` to the own-tile pixels of `spans`; returns whether any changed.
bool PaintSpans(const std::vector<PixelSpan>& spans, std::uint8_t index) {
  auto& g = G();
  PixelGrid& pixels = g.SpritePixels;
  const PixelGrid& tiles = g.TileMap;
  UndoHistory& history = SpriteHistory();
  bool changed = false;
  for (const PixelSpan& span : spans) {
    if (span.y < 0 || span.y >= pixels.Height()) continue;
    const std::int32_t from = std::max(span.x0, 0);
    const std::int32_t to = std::min(span.x1, pixels.Width() - 1);
    for (std::int32_t x = from; x <= to; ++x) {
      if (tiles.ValueOr0(x >> 3, span.y >> 3) != kTileWhite) continue;
      std::uint8_t& pixel = pixels.At(x, span.y);
      if (pixel == index) continue;
      history.Record(pixels, x, span.y, pixel, index);
      pixel = index;
      changed = true;
    }
  }
  if (changed) g.SpriteDirty = true;
  return changed;
}

void Fill(SpritePoint at, std::uint8_t index, Surface& surface) {
  auto& g = G();
  const PixelGrid& pixels = g.SpritePixels;
  if (!pixels.Contains(at.x, at.y)) return;
  const std::uint8_t target = pixels.At(at.x, at.y);
  const std::vector<PixelSpan> spans =
      FloodFill(g.SpritePixels, g.TileMap, at, index, CurrentToolOptions().Fill);
  if (spans.empty()) return;  // nothing changed: SpriteDirty stays as it was
  UndoHistory& history = SpriteHistory();
  for (const PixelSpan& span : spans) {
    history.RecordRun(g.SpritePixels, span.x0, span.y, span.x1 - span.x0 + 1, target, index);
  }
  g.SpriteDirty = true;
  Repaint(spans, surface);
}

void Spray(SpritePoint centre, std::uint8_t index, Surface& surface) {
  const ToolOptions& options = CurrentToolOptions();
  for (const SpritePoint dot : SprayDots(centre, options.SprayRadius, options.SprayDensity)) {
    if (PaintSpans({{dot.y, dot.x, dot.x}}, index)) surface.DrawPixel(dot.x, dot.y, index);
  }
}

// Sprays along the path from the last position, about one tick per radius.
void SprayAlong(SpritePoint from, SpritePoint to, std::uint8_t index, Surface& surface) {
  const std::int32_t step = std::max(1, CurrentToolOptions().SprayRadius);
  const std::vector<PixelSpan> path = ShapeSpans(ShapeKind::Line, from, to);
  for (std::size_t i = static_cast<std::size_t>(step); i < path.size();
       i += static_cast<std::size_t>(step)) {
    Spray({path[i].x0, path[i].y}, index, surface);
  }
  if (path.size() > 1 && (path.size() - 1) % static_cast<std::size_t>(step) != 0)
    Spray(to, index, surface);
}

SpritePoint ShapeEnd(const Gesture& gesture, SpritePoint at, bool constrain) {
  const ShapeKind kind = CurrentToolOptions().Shape;
  return constrain ? ConstrainedEnd(kind, gesture.origin, at) : at;
}

void ShowPreview(std::vector<PixelSpan> spans, std::uint8_t index, Surface& surface) {
  ShapePreview& preview = Preview();
  std::vector<PixelSpan> both = std::move(preview.Spans);
  preview.Spans = std::move(spans);
  preview.Index = index;
  both.insert(both.end(), preview.Spans.begin(), preview.Spans.end());
  Repaint(both, surface);
}

}  // namespace

bool IsGestureTool(std::int16_t tool) {
  return tool == kToolSprayCan || tool == kToolPaintBucket || tool == kToolShape;
}

bool GestureActive() {
  return Current().has_value();
}

void GesturePress(PointerButtons pressed, SpritePoint at, bool constrain, Surface& surface) {
  if (GestureActive()) return;  // a second button during a gesture changes nothing
  const std::int16_t tool = G().CurrentTool;
  const std::optional<std::uint8_t> index = ButtonIndex(pressed);
  if (!index || !IsGestureTool(tool) || !G().SpriteLoaded) return;
  switch (tool) {
    case kToolPaintBucket:
      Fill(at, *index, surface);
      return;  // a fill is over with its press
    case kToolSprayCan:
      Current() = Start(tool, *index, at);
      Spray(at, *index, surface);
      return;
    case kToolShape: {
      Current() = Start(tool, *index, at);
      ShowPreview(ShapeSpans(CurrentToolOptions().Shape, at, ShapeEnd(*Current(), at, constrain)),
                  *index, surface);
      return;
    }
    default:
      return;
  }
}

void GestureMove(PointerButtons, SpritePoint at, bool constrain, Surface& surface) {
  if (!GestureActive()) return;
  Gesture& gesture = *Current();
  const SpritePoint from = gesture.last;
  gesture.last = at;
  if (gesture.tool == kToolSprayCan) {
    SprayAlong(from, at, gesture.index, surface);
  } else if (gesture.tool == kToolShape) {
    ShowPreview(ShapeSpans(CurrentToolOptions().Shape, gesture.origin,
                           ShapeEnd(gesture, at, constrain)),
                gesture.index, surface);
  }
}

void GestureRelease(SpritePoint at, bool constrain, Surface& surface) {
  if (!GestureActive()) return;
  const Gesture gesture = *Current();
  Current().reset();
  if (gesture.tool != kToolShape) return;
  const std::vector<PixelSpan> spans =
      ShapeSpans(CurrentToolOptions().Shape, gesture.origin, ShapeEnd(gesture, at, constrain));
  ShowPreview({}, 0, surface);
  PaintSpans(spans, gesture.index);
  Repaint(spans, surface);
}

void GestureConstrain(bool constrain, Surface& surface) {
  if (!GestureActive() || Current()->tool != kToolShape) return;
  const Gesture& gesture = *Current();
  ShowPreview(ShapeSpans(CurrentToolOptions().Shape, gesture.origin,
                         ShapeEnd(gesture, gesture.last, constrain)),
              gesture.index, surface);
}

void CancelGesture(Surface& surface) {
  Current().reset();
  if (!Preview().Spans.empty()) ShowPreview({}, 0, surface);
}

bool Spraying() {
  return GestureActive() && Current()->tool == kToolSprayCan;
}

void SprayTick(Surface& surface) {
  if (!Spraying()) return;
  Spray(Current()->last, Current()->index, surface);
}

const ShapePreview& CurrentShapePreview() {
  Current();  // a preview on pixels since replaced is dropped
  return Preview();
}

}  // namespace kerrow
