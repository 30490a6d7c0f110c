// Small Genesis ROM images with a cartridge header, and a data directory with a
// catalog made from the real schema, for the workshop tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "catalog_TestCatalog.h"

namespace kerrow::test {

// The build's bin folder (the test programs, the demo data, the schema, libVantor.so).
inline std::string TestBinDir() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

struct HeaderFields {
  std::string console = "SEGA MEGA DRIVE";
  std::string domestic = "WORKSHOP TEST";
  std::string overseas = "WORKSHOP TEST CART";
  std::string serial = "GM WKSHOP01-00";
  std::string region = "JUE";
};

inline void PutField(std::vector<unsigned char>& rom, std::size_t at, std::size_t length,
                     const std::string& text) {
  for (std::size_t i = 0; i < length; ++i) rom[at + i] = i < text.size() ? text[i] : ' ';
}

// Header fields written as a cartridge has them; the rest is a byte pattern.
// The stored checksum is left as `storedChecksum`.
inline std::vector<unsigned char> MakeRom(std::size_t size, const HeaderFields& fields = {},
                                          std::uint16_t storedChecksum = 0) {
  std::vector<unsigned char> rom(size);
  for (std::size_t i = 0x200; i < size; ++i) rom[i] = static_cast<unsigned char>(i * 7 + i / 251);
  PutField(rom, 0x100, 16, fields.console);
  PutField(rom, 0x120, 48, fields.domestic);
  PutField(rom, 0x150, 48, fields.overseas);
  PutField(rom, 0x180, 14, fields.serial);
  PutField(rom, 0x1F0, 16, fields.region);
  rom[0x18E] = static_cast<unsigned char>(storedChecksum >> 8);
  rom[0x18F] = static_cast<unsigned char>(storedChecksum);
  const std::uint32_t end = static_cast<std::uint32_t>(size - 1);
  for (int i = 0; i < 4; ++i) rom[0x1A4 + i] = static_cast<unsigned char>(end >> (24 - 8 * i));
  return rom;
}

// A checksum computed independently of the editor's code: bytes as words.
inline std::uint16_t IndependentSum(const std::vector<unsigned char>& rom) {
  unsigned long sum = 0;
  for (std::size_t i = 0x200; i < rom.size(); ++i) sum += (i % 2 == 0) ? rom[i] * 256ul : rom[i];
  return static_cast<std::uint16_t>(sum & 0xFFFF);
}

// A data directory holding the schema and an empty "Games" catalog.
inline void PrepareDataDir(const ScratchDir& dir) {
  std::filesystem::copy_file(TestBinDir() + "/catalog-schema.sql", dir.File("catalog-schema.sql"),
                             std::filesystem::copy_options::overwrite_existing);
  SqlFile(dir.File("game.mdb"))
      .Run(
          "CREATE TABLE Games (Number INTEGER PRIMARY KEY, ID TEXT NOT NULL, "
          "Database TEXT NOT NULL);");
}

}  // namespace kerrow::test
