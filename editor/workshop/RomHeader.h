// The cartridge header of a Genesis ROM image and its checksum: the 16-bit sum
// of the big-endian words from 0x200 to the end of the file, stored at 0x18E.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kerrow {

inline constexpr std::int64_t kChecksumOffset = 0x18E;
inline constexpr std::int64_t kChecksumStart = 0x200;

struct RomHeader {
  std::string ConsoleName;    // 0x100, 16 bytes ("SEGA MEGA DRIVE")
  std::string DomesticTitle;  // 0x120, 48 bytes
  std::string OverseasTitle;  // 0x150, 48 bytes
  std::string Serial;         // 0x180, 14 bytes ("GM XXXXXXXX-XX")
  std::string Region;         // 0x1F0, 16 bytes
  std::uint32_t RomStart = 0;
  std::uint32_t RomEnd = 0;
  std::optional<std::uint16_t> StoredChecksum;  // absent when the file is too short
  std::uint16_t ComputedChecksum = 0;

  bool ChecksumMatches() const { return StoredChecksum && *StoredChecksum == ComputedChecksum; }
};

// A header text field: bytes past the end of the image are absent, trailing
// blanks and NULs are trimmed, other control bytes become blanks.
std::string HeaderText(std::span<const std::uint8_t> image, std::size_t offset, std::size_t length);

// The sum over the whole image from 0x200 on; an odd last byte is the high byte
// of a final word. An image of 0x200 bytes or less sums to 0.
std::uint16_t ComputeChecksum(std::span<const std::uint8_t> image);

RomHeader ParseRomHeader(std::span<const std::uint8_t> image);

// The catalog ID identification uses for this image: the serial from offset
// 387 cut before the checksum (at most 11 characters), trailing blanks and NULs
// trimmed, so that fixing the checksum never changes it.
std::string CatalogIdFromImage(std::span<const std::uint8_t> image);

// The name a new catalog entry takes: the overseas title without blanks
// around it, or the domestic one when the overseas title is empty.
std::string GameNameFromImage(std::span<const std::uint8_t> image);

// Reads the whole image (failures 53 and 75 as for any ROM read).
std::vector<std::uint8_t> ReadRomImage(const std::string& path);
RomHeader ReadRomHeader(const std::string& path);

// Writes `checksum` big-endian into the two bytes at 0x18E of `path`, and
// nothing else. An image too short to hold them is refused (failure 62).
void WriteStoredChecksum(const std::string& path, std::uint16_t checksum);

// Computes the checksum of `path` and writes it when it differs; returns the
// header as it now is.
RomHeader FixChecksum(const std::string& path);

}  // namespace kerrow
