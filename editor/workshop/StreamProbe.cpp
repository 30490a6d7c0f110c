#include "workshop/StreamProbe.h"

#include <filesystem>
#include <limits>
#include <cstdio>
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
  const bool ok = std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace

std::optional<StreamInfo> ProbeStream(const std::string& romPath, std::int64_t offset,
                                      const std::string& destination) {
  const std::vector<std::uint8_t> rom = BinaryFile::OpenForReading(romPath).ReadAll();
  if (offset < 0 || offset >= static_cast<std::int64_t>(rom.size()) ||
      offset > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  if (VantorDecomp(romPath, destination, static_cast<std::int32_t>(offset)) == -1)
    return std::nullopt;
  std::error_code error;
  StreamInfo info;
  info.DecompressedSize = static_cast<std::int64_t>(fs::file_size(destination, error));
  if (error) return std::nullopt;

  // A prefix decodes exactly when it holds the whole stream, so the shortest
  // decoding prefix is found by bisection over [1, rest of the file].
  const std::string prefix = TempFilePath("probe.bin");
  const std::string output = TempFilePath("probe-out.bin");
  std::int64_t low = 1;
  std::int64_t high = static_cast<std::int64_t>(rom.size()) - offset;  // decodes
  while (low < high) {
    const std::int64_t middle = low + (high - low) / 2;
    WriteWhole(prefix, rom.data() + offset, static_cast<std::size_t>(middle));
    if (VantorDecomp(prefix, output, 0) != -1) {
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
