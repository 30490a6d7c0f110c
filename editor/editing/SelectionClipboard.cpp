#include "editing/SelectionClipboard.h"

#include <QMimeData>

#include "graphics/Surface.h"

namespace kerrow {
namespace {

constexpr char kMagic[] = "KIX1";
constexpr qsizetype kHeader = 12;
// The longest side a sprite surface can have, and the most pixels a paste may
// hold: those of a 1024 x 1024-tile sprite.
constexpr std::int64_t kLongestSide = 32767;
constexpr std::int64_t kMostPixels = std::int64_t{1} << 26;

void PutWord(QByteArray& data, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) data.append(static_cast<char>((value >> shift) & 0xFF));
}

std::uint32_t WordAt(const QByteArray& data, qsizetype at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(data[at + i]);
  return value;
}

bool Pasteable(std::int64_t width, std::int64_t height) {
  return width >= 1 && height >= 1 && width <= kLongestSide && height <= kLongestSide &&
         width * height <= kMostPixels;
}

}  // namespace

QByteArray EncodeIndexedPixels(const PixelGrid& pixels) {
  QByteArray data(kMagic, 4);
  PutWord(data, static_cast<std::uint32_t>(pixels.Width()));
  PutWord(data, static_cast<std::uint32_t>(pixels.Height()));
  const auto& cells = pixels.Cells();
  data.append(reinterpret_cast<const char*>(cells.data()), static_cast<qsizetype>(cells.size()));
  return data;
}

std::optional<PixelGrid> DecodeIndexedPixels(const QByteArray& data) {
  if (data.size() < kHeader || !data.startsWith(QByteArray(kMagic, 4))) return std::nullopt;
  const std::int64_t width = WordAt(data, 4);
  const std::int64_t height = WordAt(data, 8);
  if (!Pasteable(width, height) || data.size() - kHeader != width * height) return std::nullopt;
  PixelGrid pixels(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  for (std::int32_t y = 0; y < pixels.Height(); ++y) {
    for (std::int32_t x = 0; x < pixels.Width(); ++x) {
      const auto value = static_cast<std::uint8_t>(data[kHeader + pixels.Index(x, y)]);
      if (value > 15 && value != kNoColour) return std::nullopt;
      pixels.At(x, y) = value;
    }
  }
  return pixels;
}

std::unique_ptr<QMimeData> SelectionMimeData(const PixelGrid& pixels,
                                             const std::array<DisplayColour, 16>& colours) {
  auto data = std::make_unique<QMimeData>();
  data->setData(kIndexedPixelsMimeType, EncodeIndexedPixels(pixels));
  QImage image(pixels.Width(), pixels.Height(), QImage::Format_Indexed8);
  QList<QRgb> table;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    const DisplayColour c = colours[i];
    table.append(qRgba(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, i == 0 ? 0 : 255));
  }
  image.setColorTable(table);
  for (std::int32_t y = 0; y < pixels.Height(); ++y) {
    uchar* line = image.scanLine(y);
    for (std::int32_t x = 0; x < pixels.Width(); ++x) {
      const std::uint8_t index = pixels.At(x, y);
      line[x] = index == kNoColour ? 0 : index;
    }
  }
  data->setImageData(image);
  return data;
}

bool HoldsPixels(const QMimeData* data) {
  return data && (data->hasFormat(kIndexedPixelsMimeType) || data->hasImage());
}

ClipboardPixels PixelsToPaste(const QMimeData* data, const ImageToIndices& convert) {
  if (!data) return {};
  if (data->hasFormat(kIndexedPixelsMimeType)) {
    if (auto pixels = DecodeIndexedPixels(data->data(kIndexedPixelsMimeType))) {
      return {std::move(pixels), {}};
    }
  }
  if (!data->hasImage()) return {};
  const QImage image = qvariant_cast<QImage>(data->imageData());
  if (image.isNull()) return {};
  if (!Pasteable(image.width(), image.height())) {
    return {std::nullopt, "The image on the clipboard is " + std::to_string(image.width()) +
                              " x " + std::to_string(image.height()) +
                              " pixels, more than a paste can hold. Nothing was pasted."};
  }
  return convert(image);
}

}  // namespace kerrow
