// The art commands as the editor and the command-line companion run them:
// Export Sprite, Import Sprite and the palette files. Refusals and questions go
// through the active dialogs; nothing here needs a window.
#pragma once

#include <functional>
#include <string>

namespace kerrow {

// Import Sprite and Export Sprite need a sprite that is fully loaded.
bool SpriteImportAllowed();
// Palette import and export need a palette loaded from a ROM image.
bool PaletteFilesAllowed();

// Writes the loaded sprite as an indexed PNG at `path`. A failure is shown in a
// box; returns whether the file was written.
bool ExportSprite(const std::string& path);

// Whether an indexed image's own colours replace the palette.
enum class ImageColoursChoice { Ask, Take, Keep };

// Replaces the loaded sprite's editable pixels by the image at `path` (one Undo
// step, the sprite marked changed), then calls `redraw`. A refused image
// changes nothing and is explained in a box. Returns whether the sprite changed.
bool ImportSprite(const std::string& path, ImageColoursChoice colours,
                  const std::function<void()>& redraw);

// Palette files (format by extension: .pal, .gpl, .bin, otherwise an image for
// import and JASC-PAL for export). Returns whether the file was written or the
// palette changed; a refusal is shown in a box and changes nothing.
bool ExportPaletteFile(const std::string& path);
bool ImportPaletteFile(const std::string& path, const std::function<void()>& redraw);

// Exports refuse to replace the image and palette files read by the running
// command (besides the ROM and the catalog); a new command starts with none.
void ForgetSourcesRead();

inline constexpr const char* kImportTitle = "Import Sprite";
inline constexpr const char* kExportTitle = "Export Sprite";
inline constexpr const char* kPaletteTitle = "Palette";
inline constexpr const char* kTakeImageColoursText =
    "The image has a palette of its own. Take its colours 1 to 15 into the sprite's palette too "
    "(snapped to the console's levels)?\n\nYes takes them, No keeps the sprite's palette, Cancel "
    "imports nothing.";

}  // namespace kerrow
