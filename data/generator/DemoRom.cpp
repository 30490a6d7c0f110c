#include "DemoRom.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

std::vector<std::uint8_t> Picture::Tile(std::int64_t column, std::int64_t row) const {
  if (column < 0 || row < 0 || (column + 1) * 8 > width || (row + 1) * 8 > height)
    throw std::runtime_error("tile outside the picture");
  std::vector<std::uint8_t> tile;
  for (std::int64_t y = row * 8; y < row * 8 + 8; ++y) {
    for (std::int64_t x = column * 8; x < column * 8 + 8; x += 2) {
      auto at = [&](std::int64_t px) { return pixels[static_cast<std::size_t>(y * width + px)]; };
      tile.push_back(static_cast<std::uint8_t>(at(x) << 4 | at(x + 1)));
    }
  }
  return tile;
}

std::vector<std::uint8_t> PaletteBlock::Bytes() const {
  std::vector<std::uint8_t> bytes;
  for (std::uint16_t word : words) {
    bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
  }
  return bytes;
}

namespace {

std::string Trimmed(std::string_view text) {
  std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string_view::npos) return {};
  std::size_t end = text.find_last_not_of(" \t\r");
  return std::string(text.substr(begin, end - begin + 1));
}

int PixelValue(char c) {
  if (c == '.') return 0;
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw std::runtime_error(std::string("bad pixel '") + c + "'");
}

}  // namespace

Art ParseArt(std::string_view text) {
  Art art;
  std::istringstream lines{std::string(text)};
  std::string line;
  Picture* picture = nullptr;
  while (std::getline(lines, line)) {
    std::string content = Trimmed(line);
    if (picture) {
      if (content.empty()) {
        picture = nullptr;
        continue;
      }
      if (picture->width == 0) picture->width = static_cast<std::int64_t>(content.size());
      if (static_cast<std::int64_t>(content.size()) != picture->width)
        throw std::runtime_error("ragged pixel rows");
      for (char c : content) picture->pixels.push_back(static_cast<std::uint8_t>(PixelValue(c)));
      ++picture->height;
      continue;
    }
    if (content.empty() || content[0] == '#') continue;
    if (content.starts_with("sprite ")) {
      picture = &art.pictures[Trimmed(content.substr(7))];
    } else if (content.starts_with("palette ")) {
      std::istringstream fields(content.substr(8));
      PaletteBlock palette;
      std::string offset;
      fields >> offset;
      palette.offset = std::stoll(offset, nullptr, 0);
      for (auto& word : palette.words) {
        std::string hex;
        if (!(fields >> hex)) throw std::runtime_error("a palette needs 16 words");
        word = static_cast<std::uint16_t>(std::stoul(hex, nullptr, 16));
      }
      art.palettes.push_back(palette);
    } else {
      throw std::runtime_error("unknown art line: " + content);
    }
  }
  return art;
}

std::int64_t ParseCatalogNumber(std::string_view text) {
  std::string body = Trimmed(text);
  std::size_t used = 0;
  std::int64_t value = 0;
  if (body.size() > 2 && body[0] == '&' && (body[1] == 'H' || body[1] == 'h')) {
    value = std::stoll(body.substr(2), &used, 16);
    used += 2;
  } else {
    value = std::stoll(body, &used, 10);
  }
  if (used != body.size()) throw std::runtime_error("not a number: " + body);
  return value;
}

std::vector<TileLine> ParseTileList(std::string_view text) {
  std::vector<TileLine> tiles;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find("\r\n", start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    std::size_t a = line.find(','), b = line.find(',', a + 1);
    if (a == std::string_view::npos || b == std::string_view::npos)
      throw std::runtime_error("bad tile line: " + std::string(line));
    tiles.push_back({ParseCatalogNumber(line.substr(0, a)),
                     ParseCatalogNumber(line.substr(a + 1, b - a - 1)),
                     ParseCatalogNumber(line.substr(b + 1))});
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
  return tiles;
}

DemoRom::DemoRom(std::size_t size) : bytes_(size, 0), placed_(size, false) {}

void DemoRom::Put(std::int64_t offset, const std::vector<std::uint8_t>& bytes) {
  if (offset < 0 || static_cast<std::size_t>(offset) + bytes.size() > bytes_.size())
    throw std::runtime_error("data at " + std::to_string(offset) + " leaves the ROM");
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::size_t at = static_cast<std::size_t>(offset) + i;
    if (placed_[at] && bytes_[at] != bytes[i])
      throw std::runtime_error("data at " + std::to_string(offset) + " overlaps other data");
    bytes_[at] = bytes[i];
    placed_[at] = true;
  }
}

namespace {

void PutText(std::vector<std::uint8_t>& rom, std::size_t at, std::size_t width,
             const std::string& text) {
  for (std::size_t i = 0; i < width; ++i)
    rom[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

void PutLong(std::vector<std::uint8_t>& rom, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) rom[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

}  // namespace

void DemoRom::Finish(const RomHeader& header) {
  for (std::size_t at = 0; at < 0x200; ++at)
    if (placed_[at]) throw std::runtime_error("data placed inside the cartridge header");
  PutLong(bytes_, 0x000, 0x00FFFE00);  // initial stack pointer
  for (std::size_t at = 0x004; at < 0x100; at += 4) PutLong(bytes_, at, 0x200);  // vectors
  PutText(bytes_, 0x100, 16, "SEGA MEGA DRIVE ");
  PutText(bytes_, 0x110, 16, "(C)KRW 2026.DEC");
  PutText(bytes_, 0x120, 48, header.domesticName);
  PutText(bytes_, 0x150, 48, header.overseasName);
  PutText(bytes_, 0x180, 14, header.serial);
  PutText(bytes_, 0x190, 16, "J");
  PutLong(bytes_, 0x1A0, 0);
  PutLong(bytes_, 0x1A4, static_cast<std::uint32_t>(bytes_.size() - 1));
  PutLong(bytes_, 0x1A8, 0x00FF0000);
  PutLong(bytes_, 0x1AC, 0x00FFFFFF);
  PutText(bytes_, 0x1B0, 64, "");
  PutText(bytes_, 0x1F0, 16, "JUE");
  // The program: an endless loop at the entry point (bra.s to itself).
  if (placed_[0x200] || placed_[0x201]) throw std::runtime_error("data placed at the entry point");
  bytes_[0x200] = 0x60;
  bytes_[0x201] = 0xFE;
  std::uint16_t sum = HeaderChecksum(bytes_);
  bytes_[0x18E] = static_cast<std::uint8_t>(sum >> 8);
  bytes_[0x18F] = static_cast<std::uint8_t>(sum & 0xFF);
}

void DemoRom::Save(const std::filesystem::path& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::uint16_t HeaderChecksum(const std::vector<std::uint8_t>& rom) {
  std::uint16_t sum = 0;
  for (std::size_t at = 0x200; at + 1 < rom.size(); at += 2)
    sum = static_cast<std::uint16_t>(sum + (rom[at] << 8 | rom[at + 1]));
  return sum;
}
