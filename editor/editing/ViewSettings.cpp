#include "editing/ViewSettings.h"

#include <algorithm>
#include <cmath>

#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

int ZoomEntryFor(std::int16_t zoom) {
  const auto* found = std::find(kZoomEntries.begin(), kZoomEntries.end(), zoom);
  return found == kZoomEntries.end() ? -1 : static_cast<int>(found - kZoomEntries.begin());
}

bool ToggleGrid() {
  auto& g = G();
  if (g.ZoomFactor >= kMinGridZoom) {
    g.GridMode = !g.GridMode;
    return true;
  }
  g.GridMode = false;
  return false;
}

bool ChooseZoom(int k) {
  if (k < 0 || k >= static_cast<int>(kZoomEntries.size())) {
    throw Failure(kErrSubscript, "Subscript out of range", "kerrow");
  }
  auto& g = G();
  g.ZoomFactor = kZoomEntries[static_cast<std::size_t>(k)];
  return !g.RomPath.empty();
}

std::int32_t ScrolledEdge(std::int32_t value, double twipsPerPixel) {
  return -static_cast<std::int32_t>(std::lround(value * twipsPerPixel));
}

}  // namespace kerrow
