// The pieces the demo generator assembles: pixel art, tile lists and a
// cartridge image whose regions may not overlap.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// One picture, a palette index per pixel.
struct Picture {
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::vector<std::uint8_t> pixels;  // row by row

  // The 32 bytes of the tile at (column, row): two pixels a byte, left one high.
  std::vector<std::uint8_t> Tile(std::int64_t column, std::int64_t row) const;
};

struct PaletteBlock {
  std::int64_t offset = 0;
  std::array<std::uint16_t, 16> words{};
  std::vector<std::uint8_t> Bytes() const;  // big-endian, entry 0 first
};

struct Art {
  std::map<std::string, Picture> pictures;
  std::vector<PaletteBlock> palettes;
};

// "palette <offset> <16 hex words>" lines and "sprite <name>" blocks of pixel
// rows ('0'-'9', 'A'-'F', '.' for 0) ended by a blank line; '#' starts a comment.
Art ParseArt(std::string_view text);

struct TileLine {
  std::int64_t column = 0;
  std::int64_t row = 0;
  std::int64_t offset = 0;
};

// Decimal with leading blanks, or hexadecimal written "&H...".
std::int64_t ParseCatalogNumber(std::string_view text);
// Lines "column,row,offset" separated by CR LF.
std::vector<TileLine> ParseTileList(std::string_view text);

struct RomHeader {
  std::string serial;  // at 0x180, e.g. "GM KR000001-00"
  std::string domesticName;
  std::string overseasName;
};

class DemoRom {
 public:
  explicit DemoRom(std::size_t size);

  // Places bytes at an offset; fails if they leave the image or disagree with
  // bytes already placed there.
  void Put(std::int64_t offset, const std::vector<std::uint8_t>& bytes);
  // Writes vectors, header, a minimal program and the header checksum.
  void Finish(const RomHeader& header);
  void Save(const std::filesystem::path& path) const;

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::vector<bool> placed_;
};

// 16-bit sum of the big-endian words from 0x200 to the end.
std::uint16_t HeaderChecksum(const std::vector<std::uint8_t>& rom);
