// What the compression binding makes of the stream at a ROM offset: whether it
// decodes, how long the stream is in the ROM and how many bytes it gives.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kerrow {

struct StreamInfo {
  std::int64_t CompressedLength = 0;  // bytes of the ROM the stream occupies
  std::int64_t DecompressedSize = 0;  // bytes it decodes to
};

// Decompresses the stream at `offset` of `romPath` into `destination` through
// the editor's binding (VantorDecomp). Empty when the stream does not decode
// (or the offset is outside the file). The compressed length is the shortest
// prefix of the ROM from `offset` that still decodes, found by bisection with
// the same binding, so it holds for any decoder that stops at its end marker.
// Scratch copies go to the private temporary directory.
std::optional<StreamInfo> ProbeStream(const std::string& romPath, std::int64_t offset,
                                      const std::string& destination);

// The same with the ROM's bytes already read, for callers that probe many
// streams of one ROM (`rom` must be the whole of `romPath`).
std::optional<StreamInfo> ProbeStream(const std::string& romPath, std::span<const std::uint8_t> rom,
                                      std::int64_t offset, const std::string& destination);

}  // namespace kerrow
