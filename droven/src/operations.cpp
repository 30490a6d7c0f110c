#include "operations.h"

#include <new>
#include <vector>

#include "files.h"

namespace droven {

Result CompressFile(const std::filesystem::path& source, const std::filesystem::path& destination,
                    Mode mode) {
  std::uint64_t length = 0;
  if (Result r = FileLength(source, length); r != kOk) return r;
  // Decided before anything is read or written, so the destination survives.
  if (mode == Mode::Module && length > kModuleModeLimit) return kModuleTooLong;
  std::vector<std::uint8_t> data;
  try {
    if (Result r = ReadFrom(source, 0, data); r != kOk) return r;
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  } catch (const std::length_error&) {
    return kNoMemory;
  }
  if (mode == Mode::Module && data.size() > kModuleModeLimit) return kModuleTooLong;
  std::vector<std::uint8_t> stream;
  try {
    stream = Compress(data, mode);
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  } catch (const std::length_error&) {
    return kNoMemory;  // too large to hold
  }
  return WriteReplacing(destination, stream);
}

Result DecompressFile(const std::filesystem::path& source,
                      const std::filesystem::path& destination, std::int64_t startOffset,
                      Mode mode) {
  if (startOffset < 0) return kOffsetOutside;
  std::uint64_t length = 0;
  if (Result r = FileLength(source, length); r != kOk) return r;
  if (static_cast<std::uint64_t>(startOffset) >= length) return kOffsetOutside;
  std::vector<std::uint8_t> stream;
  try {
    if (Result r = ReadFrom(source, static_cast<std::uint64_t>(startOffset), stream); r != kOk) {
      return r;
    }
  } catch (const std::bad_alloc&) {
    return kNoMemory;
  } catch (const std::length_error&) {
    return kNoMemory;
  }
  const DecompressResult result = Decompress(stream, mode);
  if (result.status != kOk) return result.status;
  return WriteReplacing(destination, result.data);
}

const char* ResultText(Result result) {
  switch (result) {
    case kOk:
      return "done";
    case kNoMemory:
      return "not enough memory for the data";
    case kModuleTooLong:
      return "module mode holds at most 65535 bytes";
    case kBadPath:
      return "the path is empty, too long or not valid text";
    case kSourceUnreadable:
      return "the source cannot be read";
    case kDestinationFailed:
      return "the destination cannot be written";
    case kOffsetOutside:
      return "the offset lies outside the source";
    case kTruncated:
      return "the compressed stream is cut short";
    case kBadDistance:
      return "the compressed stream copies from before its start";
    case kOutputLimit:
      return "the output would exceed 64 MiB";
    case kDestinationTooSmall:
      return "the destination buffer is too small";
  }
  return "unknown failure";
}

}  // namespace droven
