#include "workshop/RomHeader.h"

#include <array>

#include "bridge/RomSave.h"
#include "catalog/bIdentify.h"
#include "graphics/BinaryFile.h"

namespace kerrow {

namespace {

std::uint32_t BigEndianLong(std::span<const std::uint8_t> image, std::size_t offset) {
  if (offset + 4 > image.size()) return 0;
  return (std::uint32_t{image[offset]} << 24) | (std::uint32_t{image[offset + 1]} << 16) |
         (std::uint32_t{image[offset + 2]} << 8) | std::uint32_t{image[offset + 3]};
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

}  // namespace

std::string HeaderText(std::span<const std::uint8_t> image, std::size_t offset,
                       std::size_t length) {
  std::string text;
  for (std::size_t i = offset; i < offset + length && i < image.size(); ++i) {
    const char c = static_cast<char>(image[i]);
    text += (image[i] != 0 && image[i] < 0x20) ? ' ' : c;
  }
  // Leading blanks are part of some titles' centring; only the padding goes.
  return TrimEnd(std::move(text));
}

std::uint16_t ComputeChecksum(std::span<const std::uint8_t> image) {
  std::uint32_t sum = 0;
  std::size_t i = kChecksumStart;
  for (; i + 1 < image.size(); i += 2) sum += (std::uint32_t{image[i]} << 8) | image[i + 1];
  if (i < image.size()) sum += std::uint32_t{image[i]} << 8;
  return static_cast<std::uint16_t>(sum);
}

RomHeader ParseRomHeader(std::span<const std::uint8_t> image) {
  RomHeader header;
  header.ConsoleName = HeaderText(image, 0x100, 16);
  header.DomesticTitle = HeaderText(image, 0x120, 48);
  header.OverseasTitle = HeaderText(image, 0x150, 48);
  header.Serial = HeaderText(image, 0x180, 14);
  header.Region = HeaderText(image, 0x1F0, 16);
  header.RomStart = BigEndianLong(image, 0x1A0);
  header.RomEnd = BigEndianLong(image, 0x1A4);
  if (image.size() >= kChecksumOffset + 2) {
    header.StoredChecksum =
        static_cast<std::uint16_t>((image[kChecksumOffset] << 8) | image[kChecksumOffset + 1]);
  }
  header.ComputedChecksum = ComputeChecksum(image);
  return header;
}

std::string CatalogIdFromImage(std::span<const std::uint8_t> image) {
  std::string id;
  for (std::int64_t i = kSerialOffset; i < kChecksumOffset; ++i) {
    id += i < static_cast<std::int64_t>(image.size()) ? static_cast<char>(image[i]) : '\0';
  }
  return TrimEnd(std::move(id));
}

std::string GameNameFromImage(std::span<const std::uint8_t> image) {
  const RomHeader header = ParseRomHeader(image);
  std::string name = header.OverseasTitle.empty() ? header.DomesticTitle : header.OverseasTitle;
  name.erase(0, name.find_first_not_of(' '));
  return name;
}

std::vector<std::uint8_t> ReadRomImage(const std::string& path) {
  return BinaryFile::OpenForReading(path).ReadAll();
}

RomHeader ReadRomHeader(const std::string& path) {
  return ParseRomHeader(ReadRomImage(path));
}

void WriteStoredChecksum(const std::string& path, std::uint16_t checksum) {
  const std::array<std::uint8_t, 2> bytes{static_cast<std::uint8_t>(checksum >> 8),
                                          static_cast<std::uint8_t>(checksum & 0xFF)};
  RomSave rom(path);
  rom.WriteAt(kChecksumOffset, bytes);
  rom.Commit();  // on the disk before the fix is reported
}

RomHeader FixChecksum(const std::string& path) {
  // Read, compared and written under one lock; inside a save this sees the
  // save's own bytes and its write goes with them.
  RomSave rom(path);
  RomHeader header = ParseRomHeader(rom.ReadAll());
  if (!header.ChecksumMatches()) {
    WriteStoredChecksum(path, header.ComputedChecksum);
    header.StoredChecksum = header.ComputedChecksum;
  }
  rom.Commit();
  return header;
}

}  // namespace kerrow
