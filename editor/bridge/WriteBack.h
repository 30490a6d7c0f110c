// Save ROM and Save Palette. A save runs to its end before anything else; it
// writes only into the ROM the sprite or palette came from and never grows it.
#pragma once

#include <string>

namespace kerrow {

inline constexpr const char* kCompressFailedText = "File did not get compressed...";
inline constexpr const char* kTooLargeText =
    "WARNING:\r\nData is LARGER than the maximum size to fit in the ROM. Saving to the end of "
    "the ROM is currently unsupported. You must make your sprite less detailed so the "
    "compressor will compress it enough to fit.";

// mnuFileSaveRom_Click: writes the loaded sprite's white tiles back (plain: into
// SpriteRomPath; compressed: into "dump.bin", recompressed into "dumpc.bin" and
// copied to "Offset" when it fits "MaxSize"). Clears SpriteDirty only when the
// save completes. Refusals are shown in a box; file and catalog failures
// propagate as Failure with nothing further written.
bool SaveRom();  // true when the save completed

// mnuFileSavePalette_Click: SavePalette when a ROM is open, otherwise nothing.
void SavePaletteCommand();

}  // namespace kerrow
