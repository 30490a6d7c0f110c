// A sprite as an indexed image: one palette index per pixel, the sprite's 16
// colours as the image's colour table, entry 0 fully transparent.
#pragma once

#include <QImage>
#include <array>
#include <string>

#include "art/ArtOutcome.h"
#include "graphics/PixelGrid.h"
#include "shell/Dialogs.h"

namespace kerrow {

inline constexpr int kPaletteColours = 16;
using PaletteColours = std::array<DisplayColour, kPaletteColours>;

// Display colours of the palette strip's 16 entries.
PaletteColours CurrentPaletteColours();
// The same for files: entry 0 as the user chose it, otherwise the default
// window colour, so that the editor and kerrow-cli write the same bytes
// whatever the desktop's colours are.
PaletteColours ExportedPaletteColours();

QRgb ToQRgb(DisplayColour colour);
DisplayColour FromQRgb(QRgb rgb);
// A colour reduced to the console's levels, as palette editing stores it.
DisplayColour SnapToConsole(DisplayColour colour);

// The pixels as an 8-bit indexed image with a 16-entry colour table.
QImage SpriteToIndexedImage(const PixelGrid& pixels, const PaletteColours& colours);

// Writes `image` as PNG. The file is replaced only once the whole image is
// written; returns "" on success, otherwise the message for the user.
std::string WritePng(const QImage& image, const std::string& path);

// Reads the image at `path`, refusing before decoding anything whose declared
// size is empty or differs from width x height, and anything that cannot be
// decoded whole.
ArtOutcome<QImage> ReadSpriteSizedImage(const std::string& path, int width, int height);

}  // namespace kerrow
