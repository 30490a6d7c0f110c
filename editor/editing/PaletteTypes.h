// The palette strip as data: sixteen entries and the two colour selections.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "shell/Dialogs.h"

namespace kerrow {

// What every box shows before a palette is loaded; the window replaces it with
// the desktop's own window-background colour at start-up.
inline constexpr DisplayColour kDefaultWindowBackground = 0xF0F0F0;

struct PaletteEntry {
  DisplayColour Colour = kDefaultWindowBackground;
  std::string StoredBytes;  // entries 1 to 15: the two ROM bytes in decimal, "b1 b2"
  std::string Tooltip;      // entries 1 to 15: the display colour in upper-case hex
  bool operator==(const PaletteEntry&) const = default;
};

// picFore / picBack: the palette index the tools use, and the colour shown.
struct ColourSelection {
  std::int16_t Index = 0;
  DisplayColour Shown = kDefaultWindowBackground;
};

struct PaletteStrip {
  std::array<PaletteEntry, 16> Entries;
  ColourSelection Fore;
  ColourSelection Back;
  // Entry 0 starts as the desktop's colour, which the ROM does not hold; files
  // written from the palette use it only once the user has chosen it.
  bool BackdropChosen = false;
};

}  // namespace kerrow
