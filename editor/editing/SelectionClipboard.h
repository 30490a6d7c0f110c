// The selection on the clipboard, in two forms: the editor's own indexed data,
// which keeps every palette index and which pixels the selection holds, and an
// image for other programs.
#pragma once

#include <QByteArray>
#include <QImage>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "graphics/PixelGrid.h"
#include "shell/Dialogs.h"

class QMimeData;

namespace kerrow {

inline constexpr const char* kIndexedPixelsMimeType = "application/x-kerrow-indexed-pixels";

// "KIX1", the width and the height (32-bit little-endian), then one byte per
// pixel, row by row: a palette index 0 to 15, or kNoColour where the
// selection holds no pixel.
QByteArray EncodeIndexedPixels(const PixelGrid& pixels);
// The pixels of well-formed data; nullopt for anything else.
std::optional<PixelGrid> DecodeIndexedPixels(const QByteArray& data);

// Both forms of `pixels`. The image is 8-bit indexed with the 16 `colours` as
// its colour table, index 0 transparent as in an exported sprite; pixels the
// selection does not hold are index 0 there.
std::unique_ptr<QMimeData> SelectionMimeData(const PixelGrid& pixels,
                                             const std::array<DisplayColour, 16>& colours);

// Pixels for a paste, or the reason there are none.
struct ClipboardPixels {
  std::optional<PixelGrid> pixels;
  std::string refusal;  // empty when the clipboard simply holds no picture
};
// Turns another program's image into palette indices (the sprite import's rules).
using ImageToIndices = std::function<ClipboardPixels(const QImage&)>;

// Whether `data` holds something a paste could use.
bool HoldsPixels(const QMimeData* data);
// The editor's own data when present, otherwise the image converted by `convert`.
ClipboardPixels PixelsToPaste(const QMimeData* data, const ImageToIndices& convert);

}  // namespace kerrow
