// Palette files: JASC-PAL (.pal), GIMP palettes (.gpl) and raw console colour
// words (.bin: 16 big-endian words 0000BBB0GGG0RRR0). Reading also accepts
// the colour table of an indexed image. A file is read and checked whole
// before anything changes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "art/ArtOutcome.h"
#include "art/SpriteImage.h"

namespace kerrow {

enum class PaletteFormat { Jasc, Gimp, Raw, Image };

// By the file name's extension (any letter case); anything else is an image.
PaletteFormat PaletteFormatOf(const std::string& path);

// The file's bytes in the given text or raw format.
std::string FormatPaletteFile(const PaletteColours& colours, PaletteFormat format);

// Parses a file's bytes; refused with a message naming the line (or, for raw
// words, the entry) that is wrong.
ArtOutcome<PaletteColours> ParsePaletteFile(std::string_view bytes, PaletteFormat format);

// Reads and parses the file at `path` (an image's colour table for images).
ArtOutcome<PaletteColours> ReadPaletteFile(const std::string& path);

// Writes the palette in the format of the path's extension (JASC-PAL for any
// extension other than .gpl and .bin); "" on success, else the message.
std::string WritePaletteFile(const std::string& path, const PaletteColours& colours);

// Puts colours into the palette strip: entries 1 to 15 snapped to the console's
// levels (the palette marked changed), entry 0 as the display colour only.
void ApplyPaletteColours(const PaletteColours& colours);

}  // namespace kerrow
