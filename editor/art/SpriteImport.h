// Replacing a sprite's pixels by an image of its size. Indexed images give
// their indices directly; other images are matched colour by colour against
// the sprite's palette. Only editable (white) tiles take the image's pixels.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "art/ArtOutcome.h"
#include "art/SpriteImage.h"
#include "graphics/PixelGrid.h"

namespace kerrow {

struct SpriteImportPlan {
  PixelGrid Pixels;                       // the sprite's pixels after the import
  // Non-zero image pixels on context or empty tiles that differ from what is there.
  std::int64_t PixelsOutsideEditable = 0;
  bool Indexed = false;                   // the image had its own colour table
  std::vector<DisplayColour> ImageColours;  // indexed images: their first (up to) 16 colours
};

// The palette indices of `image` by the import's colour rules: an indexed
// image gives its own indices (refused above 15); any other is matched colour
// by colour against `palette` at the console's levels (refused when a colour
// is in no entry), transparent pixels giving index 0. A refusal's message ends
// with `outcome` ("Nothing was imported.").
ArtOutcome<PixelGrid> ImageIndices(const QImage& image, const PaletteColours& palette,
                                   const std::string& outcome);

// Works out the import without changing anything. `current` and `tileMap` are
// the sprite's pixels and tile map, `palette` its colours. Refused (with the
// message for the user) when an index is above 15 or a colour is not in the palette.
ArtOutcome<SpriteImportPlan> PlanSpriteImport(const QImage& image, const PixelGrid& current,
                                              const PixelGrid& tileMap,
                                              const PaletteColours& palette);

// Applies a plan to the loaded sprite as one Undo step and marks it changed.
// With `takeImageColours`, entries 1 to 15 take the image's colours 1 to 15
// (snapped to the console's levels, the palette marked changed).
void ApplySpriteImport(const SpriteImportPlan& plan, bool takeImageColours);

}  // namespace kerrow
