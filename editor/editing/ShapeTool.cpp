#include "editing/ShapeTool.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace kerrow {
namespace {

std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
  return n / d - (n % d < 0 ? 1 : 0);
}

std::int32_t Sign(std::int64_t v) {
  return v < 0 ? -1 : 1;
}

std::vector<PixelSpan> LineSpans(SpritePoint from, SpritePoint to) {
  const std::int64_t dx = std::int64_t{to.x} - from.x;
  const std::int64_t dy = std::int64_t{to.y} - from.y;
  const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  std::vector<PixelSpan> spans;
  spans.reserve(static_cast<std::size_t>(steps + 1));
  for (std::int64_t i = 0; i <= steps; ++i) {
    const auto x = static_cast<std::int32_t>(
        steps == 0 ? from.x : from.x + FloorDiv(2 * dx * i + steps, 2 * steps));
    const auto y = static_cast<std::int32_t>(
        steps == 0 ? from.y : from.y + FloorDiv(2 * dy * i + steps, 2 * steps));
    spans.push_back({y, x, x});
  }
  return spans;
}

std::vector<PixelSpan> BoxSpans(std::int32_t x0, std::int32_t y0, std::int32_t x1,
                                std::int32_t y1, bool filled) {
  std::vector<PixelSpan> spans;
  for (std::int32_t y = y0; y <= y1; ++y) {
    if (filled || y == y0 || y == y1) {
      spans.push_back({y, x0, x1});
    } else {
      spans.push_back({y, x0, x0});
      if (x1 != x0) spans.push_back({y, x1, x1});
    }
  }
  return spans;
}

// Row y's pixels whose centres lie inside the ellipse inscribed in the box.
std::optional<std::pair<std::int32_t, std::int32_t>> EllipseRow(std::int32_t x0, std::int32_t y0,
                                                                std::int32_t x1, std::int32_t y1,
                                                                std::int32_t y) {
  if (y < y0 || y > y1) return std::nullopt;
  const double rx = (x1 - x0 + 1) / 2.0;
  const double ry = (y1 - y0 + 1) / 2.0;
  const double cx = x0 + rx;
  const double cy = y0 + ry;
  const double v = (y + 0.5 - cy) / ry;
  const double squared = 1.0 - v * v;
  if (squared < 0) return std::nullopt;
  const double half = rx * std::sqrt(squared);
  // Pixel x's centre is x + 0.5; keep it within [cx - half, cx + half].
  const auto left = static_cast<std::int32_t>(std::ceil(cx - half - 0.5));
  const auto right = static_cast<std::int32_t>(std::floor(cx + half - 0.5));
  if (left > right) return std::nullopt;
  return std::pair{std::max(left, x0), std::min(right, x1)};
}

std::vector<PixelSpan> EllipseSpans(std::int32_t x0, std::int32_t y0, std::int32_t x1,
                                    std::int32_t y1, bool filled) {
  std::vector<PixelSpan> spans;
  for (std::int32_t y = y0; y <= y1; ++y) {
    const auto row = EllipseRow(x0, y0, x1, y1, y);
    if (!row) continue;
    const auto [left, right] = *row;
    if (filled) {
      spans.push_back({y, left, right});
      continue;
    }
    // Inside pixels: both side neighbours in this row, and in the rows above and below.
    std::int32_t innerLeft = left + 1;
    std::int32_t innerRight = right - 1;
    for (const std::int32_t other : {y - 1, y + 1}) {
      const auto neighbour = EllipseRow(x0, y0, x1, y1, other);
      if (!neighbour) {
        innerRight = innerLeft - 1;
        break;
      }
      innerLeft = std::max(innerLeft, neighbour->first);
      innerRight = std::min(innerRight, neighbour->second);
    }
    if (innerLeft > innerRight) {
      spans.push_back({y, left, right});
    } else {
      if (innerLeft > left) spans.push_back({y, left, innerLeft - 1});
      if (innerRight < right) spans.push_back({y, innerRight + 1, right});
    }
  }
  return spans;
}

}  // namespace

SpritePoint ConstrainedEnd(ShapeKind kind, SpritePoint from, SpritePoint to) {
  const std::int64_t dx = std::int64_t{to.x} - from.x;
  const std::int64_t dy = std::int64_t{to.y} - from.y;
  const std::int64_t ax = std::llabs(dx);
  const std::int64_t ay = std::llabs(dy);
  if (kind == ShapeKind::Line) {
    // tan(22.5 degrees) = 0.4142: nearer the axis than that snaps to the axis.
    if (ay * 10000 <= ax * 4142) return {to.x, from.y};
    if (ax * 10000 <= ay * 4142) return {from.x, to.y};
  }
  const std::int64_t side = std::max(ax, ay);
  return {static_cast<std::int32_t>(from.x + Sign(dx) * side),
          static_cast<std::int32_t>(from.y + Sign(dy) * side)};
}

std::vector<PixelSpan> ShapeSpans(ShapeKind kind, SpritePoint from, SpritePoint to) {
  if (kind == ShapeKind::Line) return LineSpans(from, to);
  const std::int32_t x0 = std::min(from.x, to.x);
  const std::int32_t x1 = std::max(from.x, to.x);
  const std::int32_t y0 = std::min(from.y, to.y);
  const std::int32_t y1 = std::max(from.y, to.y);
  switch (kind) {
    case ShapeKind::Rectangle:
      return BoxSpans(x0, y0, x1, y1, false);
    case ShapeKind::FilledRectangle:
      return BoxSpans(x0, y0, x1, y1, true);
    case ShapeKind::Ellipse:
      return EllipseSpans(x0, y0, x1, y1, false);
    case ShapeKind::FilledEllipse:
      return EllipseSpans(x0, y0, x1, y1, true);
    case ShapeKind::Line:
      break;
  }
  return {};
}

}  // namespace kerrow
