#include "art/SpriteImport.h"

#include <cstdio>
#include <map>
#include <unordered_map>

#include "editing/UndoHistory.h"
#include "editing/bPal.h"
#include "graphics/Surface.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

constexpr std::size_t kListedColours = 8;

std::string Position(int x, int y) {
  std::string text(1, '(');
  text.append(std::to_string(x)).append(", ").append(std::to_string(y)).push_back(')');
  return text;
}

std::string Hex(QRgb rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", qRed(rgb), qGreen(rgb), qBlue(rgb));
  return text;
}

using Result = ArtOutcome<PixelGrid>;

Result IndicesOfIndexedImage(const QImage& source, const std::string& outcome) {
  const QImage image = source.format() == QImage::Format_Indexed8
                           ? source
                           : source.convertToFormat(QImage::Format_Indexed8);
  PixelGrid indices(image.width(), image.height());
  for (int y = 0; y < image.height(); ++y) {
    const uchar* line = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] > 15)
        return Result::Refused("The image's pixel at " + Position(x, y) + " uses colour index " +
                               std::to_string(line[x]) +
                               "; a sprite has only the indices 0 to 15. " + outcome);
      indices.At(x, y) = line[x];
    }
  }
  return indices;
}

// The palette entry a colour stands for: entries 1 to 15 first, then 0.
int EntryForColour(DisplayColour snapped, const PaletteColours& palette) {
  for (int i = 1; i < kPaletteColours; ++i)
    if (palette[static_cast<std::size_t>(i)] == snapped) return i;
  if (SnapToConsole(palette[0]) == snapped) return 0;
  return -1;
}

Result IndicesOfColourImage(const QImage& source, const PaletteColours& palette,
                            const std::string& outcome) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  PixelGrid indices(image.width(), image.height());
  struct Unmatched {
    int x, y;
  };
  std::map<QRgb, Unmatched> unmatched;  // ordered, so the list is stable
  std::unordered_map<QRgb, int> known;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;  // transparent: index 0
      const QRgb rgb = line[x] | 0xFF000000u;
      auto found = known.find(rgb);
      if (found == known.end())
        found = known.emplace(rgb, EntryForColour(SnapToConsole(FromQRgb(rgb)), palette)).first;
      if (found->second < 0) {
        unmatched.try_emplace(rgb, Unmatched{x, y});
      } else {
        indices.At(x, y) = static_cast<std::uint8_t>(found->second);
      }
    }
  }
  if (unmatched.empty()) return indices;
  std::string list;
  std::size_t listed = 0;
  for (const auto& [rgb, where] : unmatched) {
    if (listed++ == kListedColours) break;
    list.append("\n").append(Hex(rgb)).append(" at ").append(Position(where.x, where.y));
  }
  return Result::Refused(std::to_string(unmatched.size()) +
                         (unmatched.size() == 1 ? " colour" : " colours") +
                         " of the image " + (unmatched.size() == 1 ? "is" : "are") +
                         " not in the sprite's palette (compared at the console's colour levels)" +
                         (unmatched.size() > kListedColours ? ", the first eight:" : ":") + list +
                         "\n" + outcome);
}

bool IsIndexed(const QImage& image) {
  return image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
         image.format() == QImage::Format_MonoLSB;
}

}  // namespace

ArtOutcome<PixelGrid> ImageIndices(const QImage& image, const PaletteColours& palette,
                                   const std::string& outcome) {
  return IsIndexed(image) ? IndicesOfIndexedImage(image, outcome)
                          : IndicesOfColourImage(image, palette, outcome);
}

ArtOutcome<SpriteImportPlan> PlanSpriteImport(const QImage& image, const PixelGrid& current,
                                              const PixelGrid& tileMap,
                                              const PaletteColours& palette) {
  using PlanResult = ArtOutcome<SpriteImportPlan>;
  if (image.width() != current.Width() || image.height() != current.Height())
    return PlanResult::Refused("The image is " + std::to_string(image.width()) + " x " +
                               std::to_string(image.height()) + " pixels, but the sprite is " +
                               std::to_string(current.Width()) + " x " +
                               std::to_string(current.Height()) + " pixels.");
  SpriteImportPlan plan;
  plan.Indexed = IsIndexed(image);
  Result indices = ImageIndices(image, palette, "Nothing was imported.");
  if (!indices) return PlanResult::Refused(indices.Message());
  if (plan.Indexed) {
    const QList<QRgb> table = image.colorTable();
    for (qsizetype i = 0; i < table.size() && i < kPaletteColours; ++i)
      plan.ImageColours.push_back(FromQRgb(table[i]));
  }

  plan.Pixels = current;
  for (std::int32_t y = 0; y < current.Height(); ++y) {
    for (std::int32_t x = 0; x < current.Width(); ++x) {
      const std::uint8_t index = indices->At(x, y);
      if (tileMap.ValueOr0(x / 8, y / 8) == kTileWhite) {
        plan.Pixels.At(x, y) = index;
      } else if (index != 0 && index != current.At(x, y)) {
        // An exported sprite brought back unchanged loses nothing here.
        ++plan.PixelsOutsideEditable;
      }
    }
  }
  return plan;
}

void ApplySpriteImport(const SpriteImportPlan& plan, bool takeImageColours) {
  UndoHistory& history = SpriteHistory();
  PixelGrid& pixels = G().SpritePixels;
  // Written cell by cell, as a stroke would, so the step holds only the pixels
  // that changed and the grid stays the one the history tracks.
  history.BeginStroke(pixels);
  for (std::int32_t y = 0; y < pixels.Height(); ++y) {
    for (std::int32_t x = 0; x < pixels.Width(); ++x) {
      const std::uint8_t before = pixels.At(x, y);
      const std::uint8_t after = plan.Pixels.At(x, y);
      if (before == after) continue;
      history.Record(pixels, x, y, before, after);
      pixels.At(x, y) = after;
    }
  }
  G().SpriteDirty = true;
  // The image's colours join the pixels' step: one Undo takes the whole import back.
  if (takeImageColours) {
    for (std::size_t i = 1; i < plan.ImageColours.size(); ++i)
      EditPaletteEntry(static_cast<std::int32_t>(i), plan.ImageColours[i]);
  }
  history.EndStroke(pixels);
}

}  // namespace kerrow
