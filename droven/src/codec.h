// In-memory core of the Droven codec. The file entry points, the command-line
// tool and the tests all go through these functions; nothing here touches files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <vector>

namespace droven {

enum class Mode { Plain, Module };

// Module mode stores the total length in a 16-bit header.
inline constexpr std::size_t kModuleModeLimit = 65535;
inline constexpr std::size_t kModuleSize = 4096;

// Results shared by the entry points and the command-line tool.
enum Result : std::int32_t {
  kOk = 0,
  kNoMemory = 1,           // the source buffer could not be obtained
  kModuleTooLong = 2,      // module mode with more than 65535 source bytes
  kBadPath = 3,            // path too long, not a string, or not convertible
  kSourceUnreadable = 4,   // source missing or unreadable
  kDestinationFailed = 5,  // destination could not be written or replaced
  kOffsetOutside = 6,      // start offset negative or past the end of the source
  kTruncated = 7,          // stream ends before its end marker / module total
  kBadDistance = 8,        // a copy reaches before the start of the output
  kOutputLimit = 9,        // output would exceed the decompressor's bound
  kDestinationTooSmall = 10,  // the caller's buffer cannot hold the result
};

// Compresses one buffer. Module mode requires data.size() <= kModuleModeLimit;
// larger input throws std::length_error (the entry points check first and return 2).
// Plain mode takes up to 4 GiB less 513 bytes; more throws std::length_error.
// An empty source gives just an end marker (after a 00 00 header in module mode).
std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> data, Mode mode);

// No stream that Compress writes for `size` source bytes is longer than this.
std::size_t MaxCompressedSize(std::size_t size);

// Upper bound on what one decompression may produce, so that a hostile stream
// cannot fill memory or disk.
inline constexpr std::size_t kDefaultOutputLimit = std::size_t{64} << 20;  // 64 MiB

// Allocates as std::allocator does, but leaves the elements a vector grows by
// unset instead of zeroing them. The decoder writes every byte of its output
// before anything reads it, and zeroing its buffer first took a sixth of the
// time of decoding a sprite's worth of padding.
template <class T>
struct LeftUnset : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = LeftUnset<U>;
  };
  LeftUnset() = default;
  template <class U>
  LeftUnset(const LeftUnset<U>&) noexcept {}
  template <class U>
  void construct(U* at) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(at)) U;
  }
};
// A decoder's output. Compare it with other bytes by content, std::ranges::equal.
using DecodedBytes = std::vector<std::uint8_t, LeftUnset<std::uint8_t>>;

struct DecompressResult {
  Result status = kOk;
  DecodedBytes data;         // output produced so far (complete when status == kOk)
  std::size_t consumed = 0;  // stream bytes read
};

namespace detail {
// Compress, with the match finder's quick chains left out from the start, so that
// tests and fuzzing reach the finders behind them on small inputs too. The output
// is the same.
std::vector<std::uint8_t> CompressWithoutQuickChains(std::span<const std::uint8_t> data, Mode mode);
}  // namespace detail

DecompressResult Decompress(std::span<const std::uint8_t> stream, Mode mode,
                            std::size_t outputLimit = kDefaultOutputLimit);

namespace detail {
// Decompress with the fast loop built for any processor, which Decompress
// leaves for one using bit instructions where the processor has them (see
// DecoderUsesBitInstructions): tests hold both to the same results.
DecompressResult DecompressForAnyProcessor(std::span<const std::uint8_t> stream, Mode mode,
                                           std::size_t outputLimit = kDefaultOutputLimit);
bool DecoderUsesBitInstructions();
}  // namespace detail

}  // namespace droven
