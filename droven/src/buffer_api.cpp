// The exported buffer functions: the in-memory codec behind a C interface that
// never writes past the caller's buffer and never lets an exception out.
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <stdexcept>

#include "codec.h"
#include "droven/droven.h"

namespace {

#define DROVEN_STRINGIFY(x) #x
#define DROVEN_VERSION_TEXT(major, minor, patch) \
  DROVEN_STRINGIFY(major) "." DROVEN_STRINGIFY(minor) "." DROVEN_STRINGIFY(patch)

constexpr const char* kVersion =
    DROVEN_VERSION_TEXT(DROVEN_VERSION_MAJOR, DROVEN_VERSION_MINOR, DROVEN_VERSION_PATCH);

// The compressor keeps positions in 32 bits and needs a little room past the
// end; it refuses sources this large.
constexpr std::uint64_t kPlainSourceLimit = std::uint64_t{UINT32_MAX} - 513;

droven::Mode ModeOf(int module) { return module != 0 ? droven::Mode::Module : droven::Mode::Plain; }

bool Compressible(std::size_t size, droven::Mode mode) {
  if (mode == droven::Mode::Module) return size <= droven::kModuleModeLimit;
  return size < kPlainSourceLimit;
}

// The checks every buffer call makes before it touches anything.
int CheckArguments(const void* src, std::size_t srcSize, const void* dst, std::size_t dstCapacity,
                   std::size_t* dstSize) {
  if (!dstSize) return droven::kDestinationFailed;
  *dstSize = 0;
  if (!src && srcSize != 0) return droven::kSourceUnreadable;
  if (!dst && dstCapacity != 0) return droven::kDestinationFailed;
  return droven::kOk;
}

std::span<const std::uint8_t> Bytes(const void* data, std::size_t size) {
  if (size == 0) return {};
  return {static_cast<const std::uint8_t*>(data), size};
}

// Copies a finished result into the caller's buffer, or says it does not fit.
int Deliver(std::span<const std::uint8_t> result, void* dst, std::size_t dstCapacity,
            std::size_t* dstSize) {
  if (result.size() > dstCapacity) return droven::kDestinationTooSmall;
  if (!result.empty()) std::memcpy(dst, result.data(), result.size());
  *dstSize = result.size();
  return droven::kOk;
}

template <typename Call>
int Guarded(Call call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return droven::kNoMemory;
  } catch (const std::length_error&) {
    return droven::kNoMemory;
  } catch (...) {
    return droven::kDestinationFailed;
  }
}

}  // namespace

extern "C" {

DROVEN_EXPORT size_t DROVEN_CALL droven_compress_bound(size_t srcSize, int module) {
  const droven::Mode mode = ModeOf(module);
  if (!Compressible(srcSize, mode)) return 0;
  // A 32-bit size_t cannot hold the bound of a source near 4 GiB.
  const std::size_t bound = droven::MaxCompressedSize(srcSize);
  if (bound < srcSize) return 0;
  return bound;
}

DROVEN_EXPORT int DROVEN_CALL droven_compress(const void* src, size_t srcSize, void* dst,
                                              size_t dstCapacity, size_t* dstSize, int module) {
  return Guarded([&] {
    if (int r = CheckArguments(src, srcSize, dst, dstCapacity, dstSize); r != droven::kOk) return r;
    const droven::Mode mode = ModeOf(module);
    if (mode == droven::Mode::Module && srcSize > droven::kModuleModeLimit)
      return static_cast<int>(droven::kModuleTooLong);
    if (!Compressible(srcSize, mode)) return static_cast<int>(droven::kNoMemory);
    const auto stream = droven::Compress(Bytes(src, srcSize), mode);
    const int r = Deliver(stream, dst, dstCapacity, dstSize);
    if (r == droven::kDestinationTooSmall) *dstSize = stream.size();
    return r;
  });
}

DROVEN_EXPORT int DROVEN_CALL droven_decompress(const void* src, size_t srcSize, void* dst,
                                                size_t dstCapacity, size_t* dstSize, int module) {
  return Guarded([&] {
    if (int r = CheckArguments(src, srcSize, dst, dstCapacity, dstSize); r != droven::kOk) return r;
    // The caller's capacity is the bound: a stream that would produce more stops
    // there instead of growing memory without limit.
    const droven::DecompressResult result =
        droven::Decompress(Bytes(src, srcSize), ModeOf(module), dstCapacity);
    if (result.status == droven::kOutputLimit) return static_cast<int>(droven::kDestinationTooSmall);
    if (result.status != droven::kOk) return static_cast<int>(result.status);
    return Deliver(result.data, dst, dstCapacity, dstSize);
  });
}

DROVEN_EXPORT const char* DROVEN_CALL droven_version_string(void) { return kVersion; }

}  // extern "C"
