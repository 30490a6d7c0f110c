// Writing a whole file all-or-nothing, for exports: the bytes go into a new
// file in the target's folder, which is put on the disk and then renamed over
// the target. On any failure the target is exactly as it was.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kerrow {

// Writes `bytes` as the whole file at `path` (through a link: the file it
// points to, the link stays). An existing file keeps its mode. A target that
// exists but is not a regular file (a device, FIFO, socket or folder) is
// refused and left alone. Returns "" or one line naming the file and the
// reason ("Cannot write PATH: No space left on device").
std::string ReplaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace kerrow
