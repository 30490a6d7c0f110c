// The View menu's state changes: grid mode and zoom.
#pragma once

#include <array>
#include <cstdint>

namespace kerrow {

// ZoomFactor of each zoom menu entry, in menu order.
inline constexpr std::array<std::int16_t, 6> kZoomEntries = {1, 4, 6, 8, 16, 24};
// The smallest zoom at which the pixel grid can be shown.
inline constexpr std::int16_t kMinGridZoom = 8;

// The zoom menu entry that carries the check mark for `zoom` (-1 for none).
int ZoomEntryFor(std::int16_t zoom);

// View > Grid: toggles GridMode, or forces it off below the grid zoom. Returns
// whether the scroll bars go back to the sprite's top-left corner.
bool ToggleGrid();

// View > Zoom entry `k` (0 to 5, failure 9 otherwise): sets ZoomFactor. Returns
// whether the surface is to be redrawn now (only with a ROM image open); grid
// mode is kept whatever the new zoom.
bool ChooseZoom(int k);

// Viewport position of the surface's near edge for a scroll-bar value: one
// unit is `twipsPerPixel` screen pixels.
std::int32_t ScrolledEdge(std::int32_t value, double twipsPerPixel);

}  // namespace kerrow
