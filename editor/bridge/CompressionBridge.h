// The compression bridge: the outside library's Decomp and Comp, bound by name on
// first call, and the loaders of compressed sprites through "dump.bin", which
// lives with "dumpc.bin" in this run's private directory (bridge/TempFiles.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "bridge/VantorCalls.h"
#include "graphics/Surface.h"

namespace kerrow {

inline constexpr const char* kDumpFileName = "dump.bin";
inline constexpr const char* kDumpCompressedFileName = "dumpc.bin";

// Full paths of the two temporary files: decompressed and recompressed data.
std::string DumpFile();
std::string DumpCompressedFile();

inline constexpr const char* kDecompressionSource = "Decompression execution";
inline constexpr const char* kDecompressionDescription =
    "Program encountered an error while running the decompression routine.";

// Decompresses the current COMPRESSED record's data at "Offset" of RomPath into
// "dump.bin", then decodes the listed tiles from it as white tiles and sets
// SpriteIsCompressed. A Decomp result of -1 is failure 7000.
void LoadCompressedWhiteTiles(std::string_view tileList, Surface& surface);
// The same for context tiles (grey, shaded); the result must fit 16 bits
// (failure 6 otherwise); SpriteIsCompressed is not changed.
void LoadCompressedGreyTiles(std::string_view tileList, Surface& surface);

// Removes "dump.bin" and "dumpc.bin" from the private directory; absent files
// are fine. Nothing is created or removed anywhere else.
void RemoveTemporaryFiles();

}  // namespace kerrow
