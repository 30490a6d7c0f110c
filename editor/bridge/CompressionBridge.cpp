#include "bridge/CompressionBridge.h"

#include <filesystem>
#include <limits>
#include <system_error>

#include "bridge/TempFiles.h"
#include "graphics/bDraw.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

// Runs Decomp for the current COMPRESSED record and returns its raw result.
std::int32_t DecompressCurrentRecord() {
  std::int32_t offset = GameTableView(kCompressed).Long("Offset");
  return VantorDecomp(G().RomPath, DumpFile(), offset);
}

[[noreturn]] void FailDecompression() {
  throw Failure(kErrDecompression, kDecompressionDescription, kDecompressionSource);
}

}  // namespace

void LoadCompressedWhiteTiles(std::string_view tileList, Surface& surface) {
  G().SpriteRomPath = G().RomPath;
  if (DecompressCurrentRecord() == -1) FailDecompression();
  LoadTileList(tileList, DumpFile(), surface, kTileWhite);
  G().SpriteIsCompressed = true;
}

void LoadCompressedGreyTiles(std::string_view tileList, Surface& surface) {
  std::int32_t result = DecompressCurrentRecord();
  // This loader keeps the result in 16 bits.
  if (result < std::numeric_limits<std::int16_t>::min() ||
      result > std::numeric_limits<std::int16_t>::max())
    throw Failure(kErrOverflow, "Overflow", "kerrow");
  if (result == -1) FailDecompression();
  LoadTileList(tileList, DumpFile(), surface, kTileGrey);
}

std::string DumpFile() { return TempFilePath(kDumpFileName); }

std::string DumpCompressedFile() { return TempFilePath(kDumpCompressedFileName); }

void RemoveTemporaryFiles() {
  // Before the first compressed sprite there is nothing to remove.
  if (!HasTempDirectory()) return;
  std::error_code ignored;
  std::filesystem::remove(DumpFile(), ignored);
  std::filesystem::remove(DumpCompressedFile(), ignored);
}

}  // namespace kerrow
