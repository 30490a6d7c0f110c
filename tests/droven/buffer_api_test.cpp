// The exported buffer functions, called the way a C program calls them: the
// streams they write, the bounds they keep and every refusal they report.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DrovenTestSupport.h"
#include "droven/droven.h"

namespace droven {
namespace {

using test::Bytes;
using test::FromHex;
using test::FromText;

constexpr std::uint8_t kSentinel = 0xA5;
constexpr std::size_t kGuard = 64;

// Cartridge-shaped data: a header, code-like words, 4bpp tiles, a palette and
// a long run of 0xFF padding, so every item form of the format occurs.
Bytes RomLike(std::size_t size) {
  Bytes rom = FromText("SEGA MEGA DRIVE (C)KRRW 2026.DEC");
  std::uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  while (rom.size() < size / 3) {  // move/branch-like opcodes with varying operands
    const std::uint16_t opcodes[] = {0x4E75, 0x2F08, 0x41F9, 0x6100, 0x3028, 0x4A40};
    const std::uint16_t word = opcodes[(next() >> 16) % 6];
    rom.push_back(static_cast<std::uint8_t>(word >> 8));
    rom.push_back(static_cast<std::uint8_t>(word));
    rom.push_back(static_cast<std::uint8_t>(next() >> 24));
  }
  while (rom.size() < 2 * size / 3) {  // tiles: rows of two or three colours
    const std::uint8_t a = static_cast<std::uint8_t>((next() >> 20) & 0x0F);
    for (int row = 0; row < 8; ++row)
      for (int pair = 0; pair < 4; ++pair)
        rom.push_back(static_cast<std::uint8_t>((row + pair) % 3 == 0 ? a * 0x11 : 0x10 | a));
  }
  for (int c = 0; c < 16; ++c) {  // a palette block of colour words
    rom.push_back(static_cast<std::uint8_t>(c & 0x0E));
    rom.push_back(static_cast<std::uint8_t>((c * 0x22) & 0xEE));
  }
  rom.resize(size, 0xFF);
  return rom;
}

// A destination buffer of `capacity` bytes followed by a guard region, all
// filled with a sentinel, to see what a call wrote and where.
struct Target {
  explicit Target(std::size_t capacity) : capacity(capacity), bytes(capacity + kGuard, kSentinel) {}
  bool UntouchedFrom(std::size_t first) const {
    for (std::size_t i = first; i < bytes.size(); ++i)
      if (bytes[i] != kSentinel) return false;
    return true;
  }
  Bytes Written(std::size_t size) const { return Bytes(bytes.begin(), bytes.begin() + size); }
  std::size_t capacity;
  Bytes bytes;
};

struct Outcome {
  int status;
  std::size_t size;
  Bytes data;
};

using BufferFunction = int (*)(const void*, std::size_t, void*, std::size_t, std::size_t*, int);

// Calls `function` into `keep`, or into a target of its own.
Outcome Call(BufferFunction function, const Bytes& source, int module, std::size_t capacity,
             Target* keep) {
  Target local(capacity);
  Target& target = keep ? *keep : local;
  std::size_t size = 12345;
  const int status = function(source.data(), source.size(), target.bytes.data(), capacity, &size, module);
  return {status, size, status == DROVEN_OK ? target.Written(size) : Bytes{}};
}

Outcome Compress(const Bytes& source, int module, std::size_t capacity, Target* keep = nullptr) {
  return Call(droven_compress, source, module, capacity, keep);
}

Outcome Decompress(const Bytes& stream, int module, std::size_t capacity, Target* keep = nullptr) {
  return Call(droven_decompress, stream, module, capacity, keep);
}

TEST(DrovenBufferApi, WritesTheFormatsStreamsAndRoundTripsBothModes) {
  // The format's worked examples, byte for byte, through the buffer functions.
  const Outcome plain = Compress(FromText("ABABABABAB"), 0, 64);
  EXPECT_EQ(plain.status, DROVEN_OK);
  EXPECT_EQ(plain.data, FromHex("2B 00 41 42 FE FE 00 F0 00"));
  const Outcome module = Compress(FromText("abc"), 1, 64);
  EXPECT_EQ(module.data, FromHex("00 03 17 00 61 62 63 00 F0 00"));
  // Any non-zero value is module mode, also one whose low byte is zero.
  EXPECT_EQ(Compress(FromText("abc"), 0x100, 64).data, module.data);
  EXPECT_EQ(Decompress(FromHex("2B 00 41 42 FE FE 00 F0 00 77 77"), 0, 10).data,
            FromText("ABABABABAB"))
      << "bytes after the end marker are ignored";

  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, std::size_t{65535},
                                 std::size_t{200000}}) {
    for (const int mode : {0, 1}) {
      if (mode == 1 && size > 65535) continue;
      const Bytes rom = RomLike(size);
      const std::size_t bound = droven_compress_bound(size, mode);
      ASSERT_GT(bound, 0u);
      Target packedTarget(bound);
      const Outcome packed = Compress(rom, mode, bound, &packedTarget);
      ASSERT_EQ(packed.status, DROVEN_OK) << size << " bytes, module " << mode;
      EXPECT_LE(packed.size, bound);
      EXPECT_TRUE(packedTarget.UntouchedFrom(packed.size));
      // Exactly the room the result needs is enough, both ways.
      EXPECT_EQ(Compress(rom, mode, packed.size).data, packed.data);
      Target backTarget(size);
      const Outcome back = Decompress(packed.data, mode, size, &backTarget);
      ASSERT_EQ(back.status, DROVEN_OK) << size << " bytes, module " << mode;
      EXPECT_EQ(back.data, rom);
      EXPECT_TRUE(backTarget.UntouchedFrom(size));
    }
  }
}

TEST(DrovenBufferApi, ADestinationTooSmallIsRefusedAndLeftUntouched) {
  const Bytes rom = RomLike(9000);
  const Outcome packed = Compress(rom, 1, droven_compress_bound(rom.size(), 1));
  ASSERT_EQ(packed.status, DROVEN_OK);

  for (const std::size_t capacity : {std::size_t{0}, std::size_t{1}, packed.size - 1}) {
    Target target(capacity);
    const Outcome small = Compress(rom, 1, capacity, &target);
    EXPECT_EQ(small.status, DROVEN_DESTINATION_TOO_SMALL) << capacity;
    EXPECT_EQ(small.size, packed.size) << "the size the stream needs";
    EXPECT_TRUE(target.UntouchedFrom(0)) << capacity;
  }
  for (const std::size_t capacity : {std::size_t{0}, std::size_t{4096}, rom.size() - 1}) {
    Target target(capacity);
    const Outcome small = Decompress(packed.data, 1, capacity, &target);
    EXPECT_EQ(small.status, DROVEN_DESTINATION_TOO_SMALL) << capacity;
    EXPECT_EQ(small.size, 0u);
    EXPECT_TRUE(target.UntouchedFrom(0)) << capacity;
  }
  // A stream of long copies that would grow far beyond the buffer stops at it.
  // Flag word 5555: a literal, then copies of 256 bytes at distance 1.
  Bytes flood = FromHex("55 55 61");
  for (int i = 0; i < 7; ++i) flood.insert(flood.end(), {0xFF, 0xF8, 0xFF});
  Target target(1000);
  EXPECT_EQ(Decompress(flood, 0, 1000, &target).status, DROVEN_DESTINATION_TOO_SMALL);
  EXPECT_TRUE(target.UntouchedFrom(0));
}

TEST(DrovenBufferApi, BrokenStreamsAreRefusedWithTheirResult) {
  const Bytes rom = RomLike(6000);
  for (const int mode : {0, 1}) {
    const Outcome packed = Compress(rom, mode, droven_compress_bound(rom.size(), mode));
    ASSERT_EQ(packed.status, DROVEN_OK);
    // Every cut of the stream lacks an end marker (or the module total): refused.
    for (std::size_t cut = 0; cut < packed.size; cut += (cut < 40 ? 1 : 97)) {
      const Bytes head(packed.data.begin(), packed.data.begin() + cut);
      Target target(rom.size());
      const Outcome broken = Decompress(head, mode, rom.size(), &target);
      EXPECT_EQ(broken.status, DROVEN_TRUNCATED) << "cut at " << cut << ", module " << mode;
      EXPECT_EQ(broken.size, 0u);
      EXPECT_TRUE(target.UntouchedFrom(0)) << "cut at " << cut;
    }
  }
  // A short copy from 256 bytes back as the first item.
  EXPECT_EQ(Decompress(FromHex("00 00 00 00 F0 00"), 0, 100).status, DROVEN_BAD_DISTANCE);
}

TEST(DrovenBufferApi, BoundsAndArgumentsOutsideTheRules) {
  EXPECT_EQ(droven_compress_bound(65535, 1) > 65535, true);
  EXPECT_EQ(droven_compress_bound(65536, 1), 0u) << "module mode holds at most 65535 bytes";
  EXPECT_EQ(droven_compress_bound(SIZE_MAX, 0), 0u);
  EXPECT_GT(droven_compress_bound(65536, 0), 65536u);

  const Bytes big(65536, 7);
  Target target(100000);
  EXPECT_EQ(Compress(big, 1, 100000, &target).status, DROVEN_MODULE_TOO_LONG);
  EXPECT_TRUE(target.UntouchedFrom(0));

  // Incompressible bytes stay within the bound too.
  Bytes noise(5000);
  std::uint32_t seed = 99;
  for (auto& b : noise) b = static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
  for (const int mode : {0, 1})
    EXPECT_LE(Compress(noise, mode, 1 << 20).size, droven_compress_bound(noise.size(), mode));

  std::uint8_t out[16];
  std::size_t size = 99;
  EXPECT_EQ(droven_compress("abc", 3, out, sizeof out, nullptr, 0), DROVEN_DESTINATION_FAILED);
  EXPECT_EQ(droven_compress(nullptr, 3, out, sizeof out, &size, 0), DROVEN_SOURCE_UNREADABLE);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(droven_compress("abc", 3, nullptr, 16, &size, 0), DROVEN_DESTINATION_FAILED);
  EXPECT_EQ(droven_decompress(nullptr, 8, out, sizeof out, &size, 0), DROVEN_SOURCE_UNREADABLE);
  // Nothing to write needs no buffer: an empty source compresses to a bare end marker.
  EXPECT_EQ(droven_compress(nullptr, 0, out, sizeof out, &size, 0), DROVEN_OK);
  EXPECT_EQ(Bytes(out, out + size), FromHex("02 00 00 F0 00"));
  EXPECT_EQ(droven_decompress(out, size, nullptr, 0, &size, 0), DROVEN_OK);
  EXPECT_EQ(size, 0u);
}

TEST(DrovenBufferApi, VersionStringMatchesTheHeader) {
  const std::string expected = std::to_string(DROVEN_VERSION_MAJOR) + "." +
                               std::to_string(DROVEN_VERSION_MINOR) + "." +
                               std::to_string(DROVEN_VERSION_PATCH);
  EXPECT_EQ(std::string(droven_version_string()), expected);
}

}  // namespace
}  // namespace droven
