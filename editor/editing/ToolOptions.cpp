#include "editing/ToolOptions.h"

#include <algorithm>

namespace kerrow {

ToolOptions& CurrentToolOptions() {
  static ToolOptions options;
  return options;
}

ToolOptions ClampedToolOptions(ToolOptions options) {
  if (options.Shape > ShapeKind::FilledEllipse) options.Shape = ShapeKind::Line;
  if (options.Fill > FillScope::WithinTile) options.Fill = FillScope::AcrossTiles;
  options.SprayRadius = std::clamp(options.SprayRadius, kMinSprayRadius, kMaxSprayRadius);
  options.SprayDensity = std::clamp(options.SprayDensity, kMinSprayDensity, kMaxSprayDensity);
  return options;
}

}  // namespace kerrow
