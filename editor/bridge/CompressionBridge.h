// The compression bridge: the outside library's Decomp and Comp, bound by name on
// first call, and the loaders of compressed sprites through "dump.bin".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/Surface.h"

namespace kerrow {

inline constexpr const char* kDumpFile = "dump.bin";
inline constexpr const char* kDumpCompressedFile = "dumpc.bin";

inline constexpr const char* kDecompressionSource = "Decompression execution";
inline constexpr const char* kDecompressionDescription =
    "Program encountered an error while running the decompression routine.";

// Vantor's entry points; -1 means failure. A library or entry point that cannot
// be found fails (53, 48 or 453).
std::int32_t VantorDecomp(const std::string& source, const std::string& destination,
                          std::int32_t startOffset);
std::int32_t VantorComp(const std::string& source, const std::string& destination);

// Decompresses the current COMPRESSED record's data at "Offset" of RomPath into
// "dump.bin", then decodes the listed tiles from it as white tiles and sets
// SpriteIsCompressed. A Decomp result of -1 is failure 7000.
void LoadCompressedWhiteTiles(std::string_view tileList, Surface& surface);
// The same for context tiles (grey, shaded); the result must fit 16 bits
// (failure 6 otherwise); SpriteIsCompressed is not changed.
void LoadCompressedGreyTiles(std::string_view tileList, Surface& surface);

// Removes "dump.bin" and "dumpc.bin" from the current directory; absent files are fine.
void RemoveTemporaryFiles();

}  // namespace kerrow
