#include "bridge/CompressionBridge.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "bridge/Binding.h"
#include "bridge/PathVariant.h"
#include "graphics/bDraw.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

using DecompEntry = std::int32_t (*)(VARIANT, VARIANT, std::int32_t);
using CompEntry = std::int32_t (*)(VARIANT, VARIANT);

// Runs Decomp for the current COMPRESSED record and returns its raw result.
std::int32_t DecompressCurrentRecord() {
  std::int32_t offset = GameTableView(kCompressed).Long("Offset");
  return VantorDecomp(G().RomPath, kDumpFile, offset);
}

[[noreturn]] void FailDecompression() {
  throw Failure(kErrDecompression, kDecompressionDescription, kDecompressionSource);
}

}  // namespace

std::int32_t VantorDecomp(const std::string& source, const std::string& destination,
                          std::int32_t startOffset) {
  auto entry =
      reinterpret_cast<DecompEntry>(Binding(BoundLibrary::Vantor, BoundEntry::Decomp).Address());
  PathVariant from(source);
  PathVariant to(destination);
  return entry(from.Get(), to.Get(), startOffset);
}

std::int32_t VantorComp(const std::string& source, const std::string& destination) {
  auto entry =
      reinterpret_cast<CompEntry>(Binding(BoundLibrary::Vantor, BoundEntry::Comp).Address());
  PathVariant from(source);
  PathVariant to(destination);
  return entry(from.Get(), to.Get());
}

void LoadCompressedWhiteTiles(std::string_view tileList, Surface& surface) {
  G().SpriteRomPath = G().RomPath;
  if (DecompressCurrentRecord() == -1) FailDecompression();
  LoadTileList(tileList, kDumpFile, surface, kTileWhite);
  G().SpriteIsCompressed = true;
}

void LoadCompressedGreyTiles(std::string_view tileList, Surface& surface) {
  std::int32_t result = DecompressCurrentRecord();
  // This loader keeps the result in 16 bits.
  if (result < std::numeric_limits<std::int16_t>::min() ||
      result > std::numeric_limits<std::int16_t>::max())
    throw Failure(kErrOverflow, "Overflow", "kerrow");
  if (result == -1) FailDecompression();
  LoadTileList(tileList, kDumpFile, surface, kTileGrey);
}

void RemoveTemporaryFiles() {
  std::error_code ignored;
  std::filesystem::remove(kDumpFile, ignored);
  std::filesystem::remove(kDumpCompressedFile, ignored);
}

}  // namespace kerrow
