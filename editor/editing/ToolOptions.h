// The options of the Paint bucket, the Shape and the Spray can, as the tool
// options bar sets them and the settings file keeps them.
#pragma once

#include <cstdint>

namespace kerrow {

enum class ShapeKind : std::uint8_t { Line, Rectangle, FilledRectangle, Ellipse, FilledEllipse };

// A fill crosses the borders between the sprite's own tiles, or stays in the
// tile it started in.
enum class FillScope : std::uint8_t { AcrossTiles, WithinTile };

inline constexpr std::int32_t kMinSprayRadius = 1;
inline constexpr std::int32_t kMaxSprayRadius = 16;
inline constexpr std::int32_t kMinSprayDensity = 1;
inline constexpr std::int32_t kMaxSprayDensity = 64;

struct ToolOptions {
  ShapeKind Shape = ShapeKind::Line;
  std::int32_t SprayRadius = 4;
  std::int32_t SprayDensity = 8;  // dots per tick
  FillScope Fill = FillScope::AcrossTiles;
};

// The options the tools use now.
ToolOptions& CurrentToolOptions();

// `options` with every value brought into its range (settings files can hold anything).
ToolOptions ClampedToolOptions(ToolOptions options);

}  // namespace kerrow
