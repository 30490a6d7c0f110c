#include "workshop/StreamProbe.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <vector>

#include "bridge/CompressionBridge.h"
#include "bridge/TempFiles.h"
#include "graphics/BinaryFile.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

void WriteWhole(const std::string& path, const std::uint8_t* data, std::size_t size) {
  // A scratch file of our own in the private directory: replacing it is fine.
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot write " + path);
  const bool written = std::fwrite(data, 1, size, file) == size;
  // A full disk may show only when the buffer is flushed at close.
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::optional<StreamInfo> ProbeStream(const std::string& romPath, std::int64_t offset,
                                      const std::string& destination) {
  const std::vector<std::uint8_t> rom = BinaryFile::OpenForReading(romPath).ReadAll();
  return ProbeStream(romPath, rom, offset, destination);
}

std::optional<StreamInfo> ProbeStream(const std::string& romPath, std::span<const std::uint8_t> rom,
                                      std::int64_t offset, const std::string& destination) {
  if (offset < 0 || offset >= static_cast<std::int64_t>(rom.size()) ||
      offset > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  if (VantorDecomp(romPath, destination, static_cast<std::int32_t>(offset)) == -1)
    return std::nullopt;
  std::error_code error;
  StreamInfo info;
  info.DecompressedSize = static_cast<std::int64_t>(fs::file_size(destination, error));
  if (error) return std::nullopt;

  // A prefix decodes exactly when it holds the whole stream. Streams are
  // short next to a ROM, so the length is bracketed by doubling first and then
  // found by bisection: the scratch copies stay near the stream's own size.
  const std::string prefix = TempFilePath("probe.bin");
  const std::string output = TempFilePath("probe-out.bin");
  const std::int64_t rest = static_cast<std::int64_t>(rom.size()) - offset;
  auto decodes = [&](std::int64_t length) {
    WriteWhole(prefix, rom.data() + offset, static_cast<std::size_t>(length));
    return VantorDecomp(prefix, output, 0) != -1;
  };
  std::int64_t low = 1;      // no shorter prefix decodes
  std::int64_t high = rest;  // this one does
  for (std::int64_t length = 64; length < rest; length *= 2) {
    if (decodes(length)) {
      high = length;
      break;
    }
    low = length + 1;
  }
  while (low < high) {
    const std::int64_t middle = low + (high - low) / 2;
    if (decodes(middle)) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  fs::remove(prefix, error);
  fs::remove(output, error);
  info.CompressedLength = high;
  return info;
}

}  // namespace kerrow
