// Decoder working on whole buffers: the output is its own history window.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

#include "codec.h"

// On x86-64 the fast loop is built twice: for any processor, and with the bit
// instructions of BMI1, BMI2 and LZCNT (shifts that need no count register,
// counts of leading and trailing zeros), chosen when the processor has them.
#if defined(__x86_64__) && defined(__GNUC__)
#define DROVEN_BIT_INSTRUCTIONS 1
#include <cpuid.h>
#endif

namespace droven {
namespace {

// Longest single item, plus room for the wide steps of the copy loops.
constexpr std::size_t kSlack = 256 + 16;
// Most output one step of the fast loop produces: 15 literals and a copy of
// 256 bytes.
constexpr std::size_t kFastOutput = 15 + 256;
// Most input one step of the fast loop may touch: a run of 15 literals (read
// 16 bytes wide), the next flag word and a copy's three data bytes.
constexpr std::size_t kFastInput = 15 + 2 + 3;

std::uint32_t Word(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

// 8 bytes, the first in the lowest bits.
std::uint64_t Load64(const std::uint8_t* at) {
  std::uint64_t value;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, at, 8);
  } else {
    value = 0;
    for (int k = 7; k >= 0; --k) value = value << 8 | at[k];
  }
  return value;
}

void Store64(std::uint8_t* at, std::uint64_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &value, 8);
  } else {
    for (int k = 0; k < 8; ++k, value >>= 8) at[k] = static_cast<std::uint8_t>(value);
  }
}

// For a period d of 1 to 7: the multiplier that lays its d bytes side by side
// in 8 bytes, how far into the period the next 8 bytes begin, and the stride,
// the largest multiple of d up to 16, by which 16 bytes so made repeat.
struct Period {
  std::uint64_t spread;
  unsigned phase;
  std::size_t stride;
};
constexpr Period MakePeriod(std::size_t d) {
  std::uint64_t spread = 0;
  for (std::size_t shift = 0; shift < 64; shift += 8 * d) spread |= std::uint64_t{1} << shift;
  return {spread, static_cast<unsigned>(8 % d), d * (16 / d)};
}
constexpr auto kPeriods = [] {
  std::array<Period, 8> periods{};
  for (std::size_t d = 1; d < periods.size(); ++d) periods[d] = MakePeriod(d);
  return periods;
}();

// A run of one byte. Kept out of line so that the library's fill, widest on
// long runs, is called instead of a slower inlined one.
[[gnu::noinline]] void Fill(std::uint8_t* to, std::uint8_t value, std::size_t length) {
  std::memset(to, value, length);
}

// A copy of more than 32 bytes from 16 or more back, in the widest steps that
// never overtake the source.
inline void CopyLong(std::uint8_t* to, const std::uint8_t* from, std::size_t length,
                     std::size_t distance) {
  if (distance >= 32) {
    for (std::size_t k = 0; k < length; k += 32) std::memcpy(to + k, from + k, 32);
  } else {
    for (std::size_t k = 0; k < length; k += 16) std::memcpy(to + k, from + k, 16);
  }
}

// The last `distance` bytes before `to`, 1 to 7 of them, the first in the
// lowest bits. Nothing past `to` is read: the output buffer is not zeroed, and
// bytes there may never have been written.
inline std::uint64_t PeriodBytes(const std::uint8_t* to, std::size_t distance,
                                 std::size_t written) {
  if (written >= 8) return Load64(to - 8) >> (64 - 8 * distance);
  std::uint64_t bytes = 0;
  for (std::size_t k = 1; k <= distance; ++k)
    bytes = bytes << 8 | to[-static_cast<std::ptrdiff_t>(k)];
  return bytes;
}

// Appends `length` bytes copied from `distance` back, `written` bytes being
// there before `to`; may write up to 31 bytes past the end, which the buffer's
// slack absorbs.
inline void Copy(std::uint8_t* to, std::size_t length, std::size_t distance, std::size_t written) {
  const std::uint8_t* from = to - distance;
  if (distance >= 16) {
    if (length > 32) return CopyLong(to, from, length, distance);
    // Two moves, one after the other, cover every shorter copy, so that its
    // length costs no branch: from less than 32 back, the second reads what the
    // first wrote. A single branch on the distance predicts best on tile data,
    // where copies from 16 to 31 back are common.
    std::memcpy(to, from, 16);
    std::memcpy(to + 16, from + 16, 16);
  } else if (distance >= 8) {
    std::memcpy(to, from, 8);
    for (std::size_t k = 8; k < length; k += 8) std::memcpy(to + k, from + k, 8);
  } else if (distance == 1 && length > 16) {
    Fill(to, *from, length);
  } else {
    // A short period: 16 bytes of it, made in registers, are stored at every
    // multiple of the stride, with no load after the first.
    const Period& period = kPeriods[distance];
    const std::uint64_t low = PeriodBytes(to, distance, written) * period.spread;
    // Bytes 8 to 15 start `phase` bytes into the period; as `low` repeats
    // with the period, shifting it both ways and merging gives them.
    const std::uint64_t high = low >> (8 * period.phase) | low << (8 * (distance - period.phase));
    std::uint8_t chunk[16];
    Store64(chunk, low);
    Store64(chunk + 8, high);
    for (std::size_t k = 0; k < length; k += period.stride) std::memcpy(to + k, chunk, 16);
  }
}

// How the fast loop reads a copy, looked up by its flag bits. A long copy
// (0, 1) has two data bytes; a short one (0, 0, H, L) has one, and its length
// lies in the flags. The two bytes at the copy's data, masked with `keep` and
// merged with `fill`, are read as a long copy's: a short copy's fill adds no
// distance bits and a length field of 7 (made up by `lengthAdd`), which is
// never the three-byte form's 0. The index is the copy's four flag bits,
// inverted as the loop keeps them, with the leading bit left in: only even
// entries are used, and the index needs no shift.
struct CopyForms {
  struct Data {
    std::uint32_t keep;
    std::uint32_t fill;
  };
  struct Sizes {
    std::uint32_t lengthAdd;
    std::uint32_t distanceBase;
  };
  std::array<Data, 16> data;
  std::array<Sizes, 16> sizes;
  std::array<std::uint64_t, 16> bytes;  // data bytes, before a long copy's third
};
constexpr auto kCopyForms = [] {
  CopyForms forms{};
  for (std::uint32_t inverted = 0; inverted < 16; inverted += 2) {
    const std::uint32_t bits = ~inverted & 14;
    if (bits & 2) {
      forms.data[inverted] = {0xFFFF, 0};
      forms.sizes[inverted] = {2, 8192};
      forms.bytes[inverted] = 2;
    } else {
      const std::uint32_t length = 2 + 2 * (bits >> 2 & 1) + (bits >> 3 & 1);
      forms.data[inverted] = {0xFF, 0x700};
      forms.sizes[inverted] = {length - 7, 256};
      forms.bytes[inverted] = 1;
    }
  }
  return forms;
}();

// The fast loop keeps a flag word's bits still to be consumed inverted, from
// bit 0, with a zero marker above them and ones above that. A run of literals
// is then a run of trailing zeros, right shifts keep the ones coming in from
// the top, and the word is used up when all its bits are ones.
constexpr std::int32_t Inverted(std::uint32_t flags, unsigned left) {
  return static_cast<std::int32_t>(~(flags | std::uint32_t{1} << left));
}
inline void Restored(std::int32_t inverted, std::uint32_t& flags, unsigned& left) {
  const auto marked = ~static_cast<std::uint32_t>(inverted);
  left = static_cast<unsigned>(std::bit_width(marked)) - 1;
  flags = marked ^ std::uint32_t{1} << left;
}
// How many literals (zeros) inverted flags begin with. There is always a one
// above the marker, so the compilers' own count, which need not allow for no
// one at all, saves the test and branch that std::countr_zero costs.
inline std::size_t Literals(std::int32_t inverted) {
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_ctz(static_cast<unsigned>(inverted)));
#else
  return static_cast<unsigned>(std::countr_zero(static_cast<std::uint32_t>(inverted)));
#endif
}

// A long copy's distance, from its two data bytes.
inline std::size_t LongDistance(std::size_t b1, std::size_t b2) {
  return 8192 - (((b2 & 0xF8) << 5) | b1);
}

bool ProcessorHasBitInstructions() {
#if DROVEN_BIT_INSTRUCTIONS
  unsigned a, b, c, d;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  const bool bmi = (b >> 3 & 1) != 0 && (b >> 8 & 1) != 0;
  if (!__get_cpuid(0x80000001, &a, &b, &c, &d)) return false;
  return bmi && (c >> 5 & 1) != 0;
#else
  return false;
#endif
}
// Asked once, as the library loads, so that a call pays no guard. A decoder
// run by another library's start-up before this is set takes the loop for any
// processor, which gives the same results.
const bool kBitInstructions = ProcessorHasBitInstructions();

enum class Stop { kOther, kEndMarker, kBadDistance };
// Where the fast loop stands between items, its flag bits inverted, and why
// the last loop stopped.
struct Cursor {
  const std::uint8_t* in;
  std::uint8_t* out;
  std::int32_t bits;
  Stop stop;
};

// Long copies one after another (flag bits 0, 1 each), across flag words: in
// a stream of nothing else every branch here predicts. Out of line, so that
// the main loop keeps its registers.
[[gnu::noinline]] Cursor LongCopies(const std::uint8_t* in, std::uint8_t* out, std::int32_t bits,
                                    std::uint8_t* base, const std::uint8_t* inLast,
                                    const std::uint8_t* outLast) {
  while (in <= inLast && out <= outLast) {
    // Inverted, a long copy's bits read 1, 0; -3 is a copy's first bit with
    // only the marker above it, its kind still in the next word.
    if ((bits & 3) != 1 || bits == -3) return {in, out, bits, Stop::kOther};
    bits >>= 2;
    if (bits == -2) {
      // The copy took the word's last bit: the next word precedes its data.
      bits = Inverted(Word(in), 16);
      in += 2;
    }
    const std::size_t b1 = in[0];
    const std::size_t b2 = in[1];
    std::size_t length = (b2 & 7) + 2;
    in += 2;
    if ((b2 & 7) == 0) {
      const std::size_t b3 = *in++;
      if (b3 <= 1) {
        if (b3 == 0) return {in, out, bits, Stop::kEndMarker};
        continue;  // no-op
      }
      length = b3 + 1;
    }
    const std::size_t distance = LongDistance(b1, b2);
    const auto written = static_cast<std::size_t>(out - base);
    if (distance > written) return {in, out, bits, Stop::kBadDistance};
    Copy(out, length, distance, written);
    out += length;
  }
  return {in, out, bits, Stop::kOther};
}

class Decoder {
 public:
  Decoder(std::span<const std::uint8_t> stream, std::size_t limit, bool bitInstructions)
      : in_(stream.data()), size_(stream.size()), limit_(limit), bitInstructions_(bitInstructions) {
    buffer_.resize(std::min(limit, std::max<std::size_t>(stream.size() * 4, 4096)) + kSlack);
  }

  Result Run(Mode mode) {
    std::size_t total = 0;
    if (mode == Mode::Module) {
      if (size_ - pos_ < 2) return kTruncated;
      total = (std::size_t{in_[pos_]} << 8) | in_[pos_ + 1];
      pos_ += 2;
    }
    for (;;) {
      if (Result r = Module(); r != kOk) return r;
      if (mode == Mode::Plain || length_ >= total) return kOk;
      // Padding between modules: zero bytes up to the next flag word.
      while (pos_ < size_ && in_[pos_] == 0) ++pos_;
      if (pos_ == size_) return kTruncated;
    }
  }

  DecompressResult Take(Result status) {
    buffer_.resize(length_);
    // A stream that foretold far more than it gave does not leave the caller
    // holding the difference.
    if (buffer_.capacity() - length_ > length_ + (std::size_t{1} << 20)) {
      buffer_.shrink_to_fit();
    }
    return {status, std::move(buffer_), pos_};
  }

 private:
  bool ReadFlags() {
    if (size_ - pos_ < 2) return false;
    flags_ = static_cast<std::uint32_t>(in_[pos_] | (in_[pos_ + 1] << 8));
    pos_ += 2;
    left_ = 16;
    return true;
  }
  // Consumes one flag bit; after the 16th the next word is read at once.
  bool Bit(unsigned& bit) {
    bit = flags_ & 1;
    flags_ >>= 1;
    if (--left_ == 0) return ReadFlags();
    return true;
  }
  // Where the fast loop stops reading: any item may start up to here.
  const std::uint8_t* InLast() const { return in_ + size_ - kFastInput; }
  bool Bytes(std::size_t count) const { return size_ - pos_ >= count; }

  // Output room for the fast loop, growing the buffer in big steps while the
  // bound allows; false when even one maximal item might not fit.
  bool FastRoom() {
    if (buffer_.size() - kSlack - length_ >= kFastOutput) return true;
    if (buffer_.size() - kSlack >= limit_) return false;
    Grow(length_ + (std::size_t{1} << 16));
    return buffer_.size() - kSlack - length_ >= kFastOutput;
  }

  // Decodes items while any item is sure to fit in both buffers, so no item
  // needs its own bounds checks. Returns true when the module ended or a copy
  // reached before the start (with `status` set), false when it ran close to
  // an end and the careful loop must go on. Inline, the first test keeps the
  // careful loop's last items from calling the fast loop at all.
  bool Fast(Result& status) {
    if (size_ - pos_ < kFastInput) return false;
#if DROVEN_BIT_INSTRUCTIONS
    if (bitInstructions_) return FastWithBitInstructions(status);
#endif
    return FastForAnyProcessor(status);
  }
  // The loop's body is the same for both, but each is built as a function of
  // its own: inlined into them instead, it is laid out worse for either.
#define DROVEN_FAST_STEPS [[gnu::noinline]] bool FastForAnyProcessor
#include "codec_decoder_steps.inc"
#undef DROVEN_FAST_STEPS
#if DROVEN_BIT_INSTRUCTIONS
#define DROVEN_FAST_STEPS [[gnu::noinline, gnu::target("bmi,bmi2,lzcnt")]] bool FastWithBitInstructions
#include "codec_decoder_steps.inc"
#undef DROVEN_FAST_STEPS
#endif

  Result Module() {
    if (!ReadFlags()) return kTruncated;
    for (;;) {
      if (Result status; Fast(status)) return status;
      // Consecutive literal bits short of the word's last one: their bytes
      // follow each other in the stream, so they are copied in one go.
      if (const unsigned ones = std::min<unsigned>(std::countr_one(flags_), left_ - 1); ones > 1) {
        if (ones <= size_ - pos_ && ones <= limit_ - length_) {
          if (Result r = Room(ones); r != kOk) return r;
          std::memcpy(buffer_.data() + length_, in_ + pos_, ones);
          length_ += ones;
          pos_ += ones;
          flags_ >>= ones;
          left_ -= ones;
          continue;
        }
      }
      unsigned bit;
      if (!Bit(bit)) return kTruncated;
      if (bit) {
        if (!Bytes(1)) return kTruncated;
        if (Result r = Room(1); r != kOk) return r;
        buffer_[length_++] = in_[pos_++];
        continue;
      }
      if (!Bit(bit)) return kTruncated;
      std::size_t length;
      std::size_t distance;
      if (bit) {
        if (!Bytes(2)) return kTruncated;
        const std::size_t b1 = in_[pos_];
        const std::size_t b2 = in_[pos_ + 1];
        pos_ += 2;
        if ((b2 & 7) != 0) {
          length = (b2 & 7) + 2;
        } else {
          if (!Bytes(1)) return kTruncated;
          const std::size_t b3 = in_[pos_++];
          if (b3 == 0) return kOk;  // end marker
          if (b3 == 1) continue;    // no-op
          length = b3 + 1;
        }
        distance = LongDistance(b1, b2);
      } else {
        unsigned high;
        unsigned low;
        if (!Bit(high) || !Bit(low)) return kTruncated;
        if (!Bytes(1)) return kTruncated;
        length = 2 * high + low + 2;
        distance = 256 - in_[pos_++];
      }
      if (distance > length_) return kBadDistance;
      if (Result r = Room(length); r != kOk) return r;
      // A run of one byte is tested first here: a short stream of padding, a
      // sprite's worth of zeros, is mostly decoded by this loop.
      if (distance == 1 && length > 16) {
        Fill(buffer_.data() + length_, buffer_.data()[length_ - 1], length);
      } else {
        Copy(buffer_.data() + length_, length, distance, length_);
      }
      length_ += length;
    }
  }

  // Makes sure `count` more bytes (plus slack) fit, within the output bound.
  Result Room(std::size_t count) {
    if (count > limit_ - length_) return kOutputLimit;
    if (length_ + count + kSlack > buffer_.size()) Grow(length_ + count);
    return kOk;
  }

  // Doubles the output buffer, or more if `needed` asks for it, within the
  // bound and, while `needed` fits, within the memory already reserved.
  void Grow(std::size_t needed) {
    std::size_t size = std::min(limit_, std::max(buffer_.size() * 2, needed));
    if (size + kSlack > buffer_.capacity()) {
      if (needed + kSlack <= buffer_.capacity()) {
        size = std::min(limit_, buffer_.capacity() - kSlack);
      } else {
        Foresee(size);
      }
    }
    buffer_.resize(size + kSlack);
  }

  // Reserves room for the whole output, as the stream read so far foretells
  // it, when that is more than `size`: padding gives dozens of bytes for each
  // byte read, and its buffer is then moved once instead of at every
  // doubling. At most 16 times `size`, and only a hint: without the memory,
  // the buffer just doubles.
  void Foresee(std::size_t size) {
    const double perByte =
        static_cast<double>(length_) / static_cast<double>(std::max<std::size_t>(pos_, 1));
    const double foretold =
        static_cast<double>(length_) + static_cast<double>(size_ - pos_) * perByte * 1.0625;
    if (foretold <= static_cast<double>(size)) return;
    const double most = std::min(static_cast<double>(limit_), 16.0 * static_cast<double>(size));
    try {
      buffer_.reserve(static_cast<std::size_t>(std::min(foretold, most)) + kSlack);
    } catch (const std::bad_alloc&) {
    }
  }

  const std::uint8_t* in_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t limit_;
  [[maybe_unused]] bool bitInstructions_;  // read only where the fast loop is built twice
  std::uint32_t flags_ = 0;
  unsigned left_ = 0;
  DecodedBytes buffer_;
  std::size_t length_ = 0;
};

DecompressResult DecompressWith(std::span<const std::uint8_t> stream, Mode mode,
                                std::size_t outputLimit, bool bitInstructions) {
  Decoder decoder(stream, outputLimit, bitInstructions);
  const Result status = decoder.Run(mode);
  return decoder.Take(status);
}

}  // namespace

DecompressResult Decompress(std::span<const std::uint8_t> stream, Mode mode,
                            std::size_t outputLimit) {
  return DecompressWith(stream, mode, outputLimit, kBitInstructions);
}

namespace detail {
DecompressResult DecompressForAnyProcessor(std::span<const std::uint8_t> stream, Mode mode,
                                           std::size_t outputLimit) {
  return DecompressWith(stream, mode, outputLimit, false);
}
bool DecoderUsesBitInstructions() {
  return kBitInstructions;
}
}  // namespace detail

}  // namespace droven
