#include "art/PaletteFiles.h"

#include <QFile>
#include <QImageReader>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "bridge/ReplaceFile.h"
#include "art/ImageInput.h"
#include "editing/bPal.h"
#include "graphics/bGenTile.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

using Result = ArtOutcome<PaletteColours>;

// No palette file comes near this; a larger file is not read into memory.
constexpr qint64 kMaxPaletteFileBytes = 1 << 20;
constexpr std::size_t kRawBytes = 2 * kPaletteColours;
constexpr int kMaxPaletteImageSide = 4096;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Lines split at CR LF, LF or a lone CR, after a UTF-8 byte-order mark.
std::vector<std::string_view> Lines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

// Whitespace-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    std::size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i > start) fields.push_back(line.substr(start, i - start));
  }
  return fields;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string LineRef(std::size_t index) { return "line " + std::to_string(index + 1); }

// Three channels 0 to 255 at the start of `fields`.
std::optional<DisplayColour> Channels(const std::vector<std::string_view>& fields,
                                      std::string& why) {
  if (fields.size() < 3) {
    why = "expected three numbers (red, green, blue)";
    return std::nullopt;
  }
  DisplayColour colour = 0;
  for (int c = 0; c < 3; ++c) {
    const auto value = Number(fields[static_cast<std::size_t>(c)]);
    if (!value) {
      why.assign(1, '"').append(fields[static_cast<std::size_t>(c)]).append("\" is not a number");
      return std::nullopt;
    }
    if (*value < 0 || *value > 255) {
      why = std::to_string(*value) + " is out of range (0 to 255)";
      return std::nullopt;
    }
    colour |= static_cast<DisplayColour>(*value) << (8 * c);
  }
  return colour;
}

Result Refused(const std::string& where, const std::string& why) {
  return Result::Refused("The palette file is not valid: " + where + ": " + why +
                         ". The palette was not changed.");
}

Result ParseJasc(std::string_view text) {
  const auto lines = Lines(text);
  if (lines.empty() || Trim(lines[0]) != "JASC-PAL")
    return Refused(LineRef(0), "a JASC palette starts with \"JASC-PAL\"");
  if (lines.size() < 2 || Trim(lines[1]) != "0100")
    return Refused(LineRef(1), "expected the version \"0100\"");
  if (lines.size() < 3) return Refused(LineRef(2), "the file ends before the number of colours");
  const auto count = Number(Trim(lines[2]));
  if (!count || *count < 0 || *count > 256)
    return Refused(LineRef(2), "expected the number of colours (0 to 256)");
  if (*count < kPaletteColours)
    return Refused(LineRef(2), "it holds " + std::to_string(*count) +
                                   " colours, fewer than the 16 a sprite needs");
  PaletteColours colours{};
  for (int i = 0; i < *count; ++i) {
    const std::size_t at = 3 + static_cast<std::size_t>(i);
    if (at >= lines.size())
      return Refused(LineRef(at), "the file ends after " + std::to_string(i) + " of its " +
                                      std::to_string(*count) + " colours");
    std::string why;
    const auto colour = Channels(Fields(lines[at]), why);
    if (!colour) return Refused(LineRef(at), why);
    if (i < kPaletteColours) colours[static_cast<std::size_t>(i)] = *colour;
  }
  return colours;
}

Result ParseGimp(std::string_view text) {
  const auto lines = Lines(text);
  if (lines.empty() || Trim(lines[0]) != "GIMP Palette")
    return Refused(LineRef(0), "a GIMP palette starts with \"GIMP Palette\"");
  PaletteColours colours{};
  int found = 0;
  for (std::size_t at = 1; at < lines.size(); ++at) {
    const std::string_view line = Trim(lines[at]);
    if (line.empty() || line.starts_with('#') || line.starts_with("Name:") ||
        line.starts_with("Columns:"))
      continue;
    std::string why;
    const auto colour = Channels(Fields(line), why);
    if (!colour) return Refused(LineRef(at), why);
    if (found < kPaletteColours) colours[static_cast<std::size_t>(found)] = *colour;
    ++found;
  }
  if (found < kPaletteColours)
    return Refused(LineRef(lines.empty() ? 0 : lines.size() - 1),
                   "the file ends after " + std::to_string(found) +
                       " colours, fewer than the 16 a sprite needs");
  return colours;
}

Result ParseRaw(std::string_view bytes) {
  if (bytes.size() != kRawBytes)
    return Result::Refused("The palette file is not valid: it is " + std::to_string(bytes.size()) +
                           " bytes long, but 16 console colour words take exactly 32 bytes. "
                           "The palette was not changed.");
  PaletteColours colours{};
  for (std::size_t i = 0; i < kPaletteColours; ++i) {
    const auto first = static_cast<std::uint8_t>(bytes[2 * i]);
    const auto second = static_cast<std::uint8_t>(bytes[2 * i + 1]);
    // Only 0000BBB0GGG0RRR0 is a console colour.
    if ((first & 0xF1) != 0 || (second & 0x11) != 0) {
      char word[8];
      std::snprintf(word, sizeof word, "%02X%02X", first, second);
      return Refused("colour " + std::to_string(i) + " (bytes " + std::to_string(2 * i) + " and " +
                         std::to_string(2 * i + 1) + ")",
                     std::string("the word ") + word + " is out of range for a console colour");
    }
    colours[i] = GenesisToRgb(first, second);
  }
  return colours;
}

Result ImageColourTable(const std::string& path) {
  ArtOutcome<std::unique_ptr<QFile>> file = OpenInputFile(path);
  if (!file) return Result::Refused(file.Message());
  const bool noPalette = IsPngWithoutPalette(**file);
  const QList<QRgb> gifTable = GifColourTable(**file);
  const QuietImagePlugins quiet;
  QImageReader reader(file->get());
  if (!reader.canRead())
    return Result::Refused("Cannot read " + path + " as a palette file or an image: " +
                           reader.errorString().toStdString() + quiet.Detail() + ".");
  // Only the colour table is wanted: a picture declaring more than a large
  // sprite sheet's size is refused before its pixels are decoded.
  const QSize declared = reader.size();
  if (!declared.isValid() || declared.isEmpty() || declared.width() > kMaxPaletteImageSide ||
      declared.height() > kMaxPaletteImageSide)
    return Result::Refused("The image " + path + " declares a size of " +
                           std::to_string(declared.width()) + " x " +
                           std::to_string(declared.height()) +
                           " pixels; its palette was not read.");
  reader.setAllocationLimit(64);
  QImage image;
  if (!reader.read(&image))
    return Result::Refused("Cannot decode the image " + path + ": " +
                           reader.errorString().toStdString() + quiet.Detail() + ".");
  const QList<QRgb> table = !gifTable.isEmpty() ? gifTable
                            : noPalette         ? QList<QRgb>{}
                                                : image.colorTable();
  if (table.isEmpty())
    return Result::Refused("The image " + path +
                           " has no palette of its own (it is not an indexed image).");
  if (table.size() < kPaletteColours)
    return Result::Refused("The image " + path + " has a palette of " +
                           std::to_string(table.size()) +
                           " colours, fewer than the 16 a sprite needs. The palette was not "
                           "changed.");
  PaletteColours colours{};
  for (int i = 0; i < kPaletteColours; ++i) colours[static_cast<std::size_t>(i)] = FromQRgb(table[i]);
  return colours;
}

}  // namespace

PaletteFormat PaletteFormatOf(const std::string& path) {
  const std::string extension = Lower(std::filesystem::path(path).extension().string());
  if (extension == ".pal") return PaletteFormat::Jasc;
  if (extension == ".gpl") return PaletteFormat::Gimp;
  if (extension == ".bin") return PaletteFormat::Raw;
  return PaletteFormat::Image;
}

std::string FormatPaletteFile(const PaletteColours& colours, PaletteFormat format) {
  std::string out;
  auto channel = [&](std::size_t i, int c) {
    return std::to_string((colours[i] >> (8 * c)) & 0xFF);
  };
  switch (format) {
    case PaletteFormat::Raw:
      for (DisplayColour colour : colours) {
        const ColourWord word = RgbToGenesis(colour);
        out.push_back(static_cast<char>(word.First));
        out.push_back(static_cast<char>(word.Second));
      }
      return out;
    case PaletteFormat::Gimp:
      out = "GIMP Palette\nName: Kerrow sprite palette\nColumns: 16\n#\n";
      for (std::size_t i = 0; i < colours.size(); ++i)
        out += channel(i, 0) + " " + channel(i, 1) + " " + channel(i, 2) + "\tIndex " +
               std::to_string(i) + "\n";
      return out;
    case PaletteFormat::Jasc:
    case PaletteFormat::Image:
      out = "JASC-PAL\r\n0100\r\n16\r\n";
      for (std::size_t i = 0; i < colours.size(); ++i)
        out += channel(i, 0) + " " + channel(i, 1) + " " + channel(i, 2) + "\r\n";
      return out;
  }
  return out;
}

ArtOutcome<PaletteColours> ParsePaletteFile(std::string_view bytes, PaletteFormat format) {
  switch (format) {
    case PaletteFormat::Jasc: return ParseJasc(bytes);
    case PaletteFormat::Gimp: return ParseGimp(bytes);
    case PaletteFormat::Raw: return ParseRaw(bytes);
    case PaletteFormat::Image: break;
  }
  return Result::Refused("An image's palette is read from the image file itself.");
}

ArtOutcome<PaletteColours> ReadPaletteFile(const std::string& path) {
  const PaletteFormat format = PaletteFormatOf(path);
  if (format == PaletteFormat::Image) return ImageColourTable(path);
  ArtOutcome<std::unique_ptr<QFile>> file = OpenInputFile(path);
  if (!file) return Result::Refused(file.Message());
  if ((*file)->size() > kMaxPaletteFileBytes)
    return Result::Refused("The file " + path + " is too large to be a palette file.");
  const QByteArray bytes = (*file)->readAll();
  return ParsePaletteFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                          format);
}

std::string WritePaletteFile(const std::string& path, const PaletteColours& colours) {
  const std::string bytes = FormatPaletteFile(colours, PaletteFormatOf(path));
  return ReplaceFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                     bytes.size()));
}

void ApplyPaletteColours(const PaletteColours& colours) {
  for (std::int32_t i = 0; i < kPaletteColours; ++i)
    EditPaletteEntry(i, colours[static_cast<std::size_t>(i)]);
}

}  // namespace kerrow
