// Helpers of the art tests: a PNG read back from its bytes with a few lines of
// our own (chunks, zlib, the five row filters), so that what Qt wrote is
// checked by something other than Qt.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kerrow::test {

struct PngChunks {
  std::uint32_t width = 0, height = 0;
  int bitDepth = 0, colourType = 0, interlace = 0;
  std::vector<unsigned char> plte, trns, idat;
  bool valid = false;
};

inline std::uint32_t Be32(const unsigned char* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

inline PngChunks ParsePng(const std::vector<unsigned char>& file) {
  PngChunks png;
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < 8 || !std::equal(kSignature, kSignature + 8, file.begin())) return png;
  std::size_t at = 8;
  while (at + 12 <= file.size()) {
    const std::uint32_t length = Be32(&file[at]);
    const std::string type(file.begin() + static_cast<long>(at) + 4,
                           file.begin() + static_cast<long>(at) + 8);
    if (at + 12 + length > file.size()) return png;
    const unsigned char* data = &file[at + 8];
    if (type == "IHDR") {
      png.width = Be32(data);
      png.height = Be32(data + 4);
      png.bitDepth = data[8];
      png.colourType = data[9];
      png.interlace = data[12];
    } else if (type == "PLTE") {
      png.plte.assign(data, data + length);
    } else if (type == "tRNS") {
      png.trns.assign(data, data + length);
    } else if (type == "IDAT") {
      png.idat.insert(png.idat.end(), data, data + length);
    } else if (type == "IEND") {
      png.valid = true;
      return png;
    }
    at += 12 + length;
  }
  return png;
}

inline int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Palette indices of a non-interlaced palette PNG, row after row; empty when
// the data does not inflate or unfilter.
inline std::vector<int> PngIndices(const PngChunks& png) {
  if (png.colourType != 3 || png.interlace != 0) return {};
  const std::size_t stride = (std::size_t{png.width} * png.bitDepth + 7) / 8;
  std::vector<unsigned char> raw((stride + 1) * png.height);
  uLongf size = raw.size();
  if (uncompress(raw.data(), &size, png.idat.data(), png.idat.size()) != Z_OK || size != raw.size())
    return {};
  std::vector<unsigned char> previous(stride, 0), row(stride);
  std::vector<int> indices;
  const std::size_t bpp = 1;  // palette pixels are at most one byte
  for (std::uint32_t y = 0; y < png.height; ++y) {
    const unsigned char* line = &raw[y * (stride + 1)];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= bpp ? row[i - bpp] : 0, b = previous[i], c = i >= bpp ? previous[i - bpp] : 0;
      int predictor = 0;
      switch (line[0]) {
        case 0: break;
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: predictor = Paeth(a, b, c); break;
        default: return {};
      }
      row[i] = static_cast<unsigned char>(line[1 + i] + predictor);
    }
    for (std::uint32_t x = 0; x < png.width; ++x) {
      const std::size_t bit = std::size_t{x} * png.bitDepth;
      const int shift = 8 - png.bitDepth - static_cast<int>(bit % 8);
      indices.push_back((row[bit / 8] >> shift) & ((1 << png.bitDepth) - 1));
    }
    previous = row;
  }
  return indices;
}

// A PNG declaring any size, with an empty data chunk: no pixels at all.
inline std::vector<unsigned char> PngHeaderOnly(std::uint32_t width, std::uint32_t height) {
  std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  auto put32 = [&](std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) file.push_back(static_cast<unsigned char>(v >> s));
  };
  put32(width);
  put32(height);
  file.insert(file.end(), {8, 0, 0, 0, 0});  // 8-bit grey
  put32(static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17)));
  for (const char* type : {"IDAT", "IEND"}) {
    put32(0);
    const std::size_t at = file.size();
    file.insert(file.end(), type, type + 4);
    put32(static_cast<std::uint32_t>(crc32(0, file.data() + at, 4)));
  }
  return file;
}

}  // namespace kerrow::test
