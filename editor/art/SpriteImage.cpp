#include "art/SpriteImage.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

#include "bridge/ReplaceFile.h"
#include "art/ImageInput.h"
#include "graphics/bGenTile.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

std::string SizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

PaletteColours CurrentPaletteColours() {
  PaletteColours colours{};
  for (int i = 0; i < kPaletteColours; ++i)
    colours[static_cast<std::size_t>(i)] = G().Palette.Entries[static_cast<std::size_t>(i)].Colour;
  return colours;
}

PaletteColours ExportedPaletteColours() {
  PaletteColours colours = CurrentPaletteColours();
  if (!G().Palette.BackdropChosen) colours[0] = kDefaultWindowBackground;
  return colours;
}

QRgb ToQRgb(DisplayColour colour) {
  return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
              static_cast<int>((colour >> 16) & 0xFF));
}

DisplayColour FromQRgb(QRgb rgb) {
  return static_cast<DisplayColour>(qRed(rgb)) | static_cast<DisplayColour>(qGreen(rgb)) << 8 |
         static_cast<DisplayColour>(qBlue(rgb)) << 16;
}

DisplayColour SnapToConsole(DisplayColour colour) {
  const ColourWord word = RgbToGenesis(colour);
  return GenesisToRgb(word.First, word.Second);
}

QImage SpriteToIndexedImage(const PixelGrid& pixels, const PaletteColours& colours) {
  QImage image(pixels.Width(), pixels.Height(), QImage::Format_Indexed8);
  // A huge sprite's image may not get its memory: the null image is then
  // refused by the writer instead of being written through a null line.
  if (image.isNull()) return image;
  QList<QRgb> table;
  for (int i = 0; i < kPaletteColours; ++i) {
    const QRgb rgb = ToQRgb(colours[static_cast<std::size_t>(i)]);
    // Index 0 is the console's transparent colour.
    table.append(i == 0 ? qRgba(qRed(rgb), qGreen(rgb), qBlue(rgb), 0) : rgb);
  }
  image.setColorTable(table);
  // The resolution would otherwise follow the screen (none for kerrow-cli),
  // and the same sprite would give different files.
  constexpr int kDotsPerMetreAt72Dpi = 2835;
  image.setDotsPerMeterX(kDotsPerMetreAt72Dpi);
  image.setDotsPerMeterY(kDotsPerMetreAt72Dpi);
  for (std::int32_t y = 0; y < pixels.Height(); ++y) {
    uchar* line = image.scanLine(y);
    for (std::int32_t x = 0; x < pixels.Width(); ++x) line[x] = pixels.At(x, y) & 0x0F;
  }
  return image;
}

std::string WritePng(const QImage& image, const std::string& path) {
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(image))
    return "Cannot write " + path + ": " + writer.errorString().toStdString();
  return ReplaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(encoded.constData()),
                                     static_cast<std::size_t>(encoded.size())));
}

ArtOutcome<QImage> ReadSpriteSizedImage(const std::string& path, int width, int height) {
  using Result = ArtOutcome<QImage>;
  ArtOutcome<std::unique_ptr<QFile>> file = OpenInputFile(path);
  if (!file) return Result::Refused(file.Message());
  const bool noPalette = IsPngWithoutPalette(**file);
  const QuietImagePlugins quiet;
  QImageReader reader(file->get());
  if (!reader.canRead())
    return Result::Refused("Cannot read " + path + " as an image: " +
                           reader.errorString().toStdString() + quiet.Detail() + ".");
  // The header's size decides before any pixel is decoded, so a file that
  // declares a huge picture never gets the memory for it.
  const QSize declared = reader.size();
  if (!declared.isValid())
    return Result::Refused("Cannot tell the size of the image " + path +
                           " without decoding it; it was not imported.");
  if (declared.isEmpty())
    return Result::Refused("The image " + path + " is empty (" +
                           SizeText(declared.width(), declared.height()) + ").");
  if (declared.width() != width || declared.height() != height)
    return Result::Refused("The image is " + SizeText(declared.width(), declared.height()) +
                           ", but the sprite is " + SizeText(width, height) +
                           ". Only an image of exactly the sprite's size can be imported.");
  // Generous for a sprite of at most 32767 pixels a side, far below anything huge.
  reader.setAllocationLimit(1024);
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return Result::Refused("Cannot decode the image " + path + ": " +
                           reader.errorString().toStdString() + quiet.Detail() + ".");
  if (image.width() != width || image.height() != height)
    return Result::Refused("The image " + path + " decoded to " +
                           SizeText(image.width(), image.height()) + " instead of the " +
                           SizeText(width, height) + " its header declares.");
  // Colours, not indices, are what such a file holds.
  if (noPalette && !image.colorTable().isEmpty())
    image = image.convertToFormat(QImage::Format_ARGB32);
  return image;
}

}  // namespace kerrow
