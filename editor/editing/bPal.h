// The palette model: entries 1 to 15 loaded from and saved to the ROM image,
// entry editing with snapping to the console's levels, the two colour selections.
#pragma once

#include <cstdint>
#include <string>

#include "shell/Dialogs.h"

namespace kerrow {

inline constexpr const char* kBackgroundEntryTooltip =
    "Changing this, will change the background color of the window";
inline constexpr const char* kForegroundTooltip = "Foreground color";
inline constexpr const char* kBackgroundTooltip = "Background color";

// Bytes of entries 1 to 15 of a palette block.
inline constexpr std::int32_t kPaletteBytes = 30;

// A display colour as the tooltips show it: upper-case hex, no leading zeros.
std::string ColourTooltip(DisplayColour colour);

// A catalog palette offset P below zero is failure 63 (nothing is read or
// written): the block would start before the ROM or on its first bytes.
void RequirePaletteOffset(std::int64_t paletteOffset, const std::string& path);

// Reads bytes P+2 to P+31 of `path` (opened read-only, read once) into entries
// 1 to 15, then sets PaletteOffset = P + 3 and PaletteRomPath = path. All bytes
// are read before any entry changes: a file too short for the block fails with
// 62, a negative P with 63, and the palette stays as it was. PaletteDirty is not touched.
void LoadPalette(const std::string& path, std::int32_t paletteOffset);

// Writes the stored bytes of entries 1 to 15 at PaletteOffset into the ROM the
// palette came from (PaletteRomPath), then clears PaletteDirty. Refused with a
// failure, nothing written, when the 30 bytes would reach past the end of the
// file or no palette was loaded; refused with a box naming the palette's ROM,
// PaletteDirty kept, when that is not the ROM open now (RomPath).
void SavePalette();

// Forgets the palette: entries 1 to 15 show `blank` and hold no colour word,
// and nothing can be saved until a palette is loaded again. Entry 0 stays.
void UnloadPalette(DisplayColour blank);

// Applies a colour chosen for entry `index` (the colour dialog was confirmed).
// Entry 0 takes the colour exactly; entries 1 to 15 are snapped to console
// levels, stored and mark the palette dirty. Swatches showing the entry's old
// colour follow it. Does nothing while no ROM is open. Returns whether the
// sprite needs a redraw.
bool EditPaletteEntry(std::int32_t index, DisplayColour chosen);

enum class PointerButton { Left, Right, Middle };

// Release of a button pressed on box `index`: left picks the foreground, right
// the background; any other button nothing.
void SelectPaletteEntry(PointerButton button, std::int32_t index);

}  // namespace kerrow
