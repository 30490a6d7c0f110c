// Decoder working on whole buffers: the output is its own history window.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "codec.h"

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

// For a period d of 1 to 7: the mask of its d bytes, the multiplier that lays
// them side by side in 8 bytes, how far into the period the next 8 bytes
// begin, and the stride, the largest multiple of d up to 16, by which 16
// bytes so made repeat.
struct Period {
  std::uint64_t mask;
  std::uint64_t spread;
  unsigned phase;
  std::size_t stride;
};
constexpr Period MakePeriod(std::size_t d) {
  std::uint64_t spread = 0;
  for (std::size_t shift = 0; shift < 64; shift += 8 * d) spread |= std::uint64_t{1} << shift;
  return {(std::uint64_t{1} << (8 * d)) - 1, spread, static_cast<unsigned>(8 % d), d * (16 / d)};
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

// Appends `length` bytes copied from `distance` back; may write up to 31 bytes
// past the end, which the buffer's slack absorbs.
inline void Copy(std::uint8_t* to, std::size_t length, std::size_t distance) {
  const std::uint8_t* from = to - distance;
  if (distance >= 32) {
    // Steps never overtake the source; 32 bytes at once cover most copies.
    std::memcpy(to, from, 32);
    for (std::size_t k = 32; k < length; k += 32) std::memcpy(to + k, from + k, 32);
  } else if (distance >= 16) {
    std::memcpy(to, from, 16);
    for (std::size_t k = 16; k < length; k += 16) std::memcpy(to + k, from + k, 16);
  } else if (distance >= 8) {
    std::memcpy(to, from, 8);
    for (std::size_t k = 8; k < length; k += 8) std::memcpy(to + k, from + k, 8);
  } else if (distance == 1 && length > 16) {
    Fill(to, *from, length);
  } else {
    // A short period: 16 bytes of it, made in registers, are stored at every
    // multiple of the stride, with no load after the first.
    const Period& period = kPeriods[distance];
    const std::uint64_t low = (Load64(from) & period.mask) * period.spread;
    // Bytes 8 to 15 start `phase` bytes into the period; as `low` repeats
    // with the period, shifting it both ways and merging gives them.
    const std::uint64_t high = low >> (8 * period.phase) | low << (8 * (distance - period.phase));
    std::uint8_t chunk[16];
    Store64(chunk, low);
    Store64(chunk + 8, high);
    for (std::size_t k = 0; k < length; k += period.stride) std::memcpy(to + k, chunk, 16);
  }
}

// Where the fast loop stands between items.
struct Cursor {
  const std::uint8_t* in;
  std::uint8_t* out;
  std::uint32_t flags;
  unsigned left;
};
enum class Stop { kOther, kEndMarker, kBadDistance };

// Long copies one after another (flag bits 0, 1 each), across flag words: in
// a stream of nothing else every branch here predicts. Out of line, so that
// the main loop keeps its registers.
[[gnu::noinline]] Stop LongCopies(Cursor& at, std::uint8_t* base, const std::uint8_t* inLast,
                                  const std::uint8_t* outLast) {
  const std::uint8_t* in = at.in;
  std::uint8_t* out = at.out;
  std::uint32_t flags = at.flags;
  unsigned left = at.left;
  Stop stop = Stop::kOther;
  while ((flags & 3) == 2 && left >= 2 && in <= inLast && out <= outLast) {
    flags >>= 2;
    left -= 2;
    if (left == 0) {
      flags = Word(in);
      in += 2;
      left = 16;
    }
    const std::size_t b1 = in[0];
    const std::size_t b2 = in[1];
    std::size_t length = (b2 & 7) + 2;
    in += 2;
    if ((b2 & 7) == 0) {
      const std::size_t b3 = *in++;
      if (b3 <= 1) {
        if (b3 == 0) {
          stop = Stop::kEndMarker;
          break;
        }
        continue;  // no-op
      }
      length = b3 + 1;
    }
    const std::size_t distance = 8192 - (((b2 & 0xF8) << 5) | b1);
    if (distance > static_cast<std::size_t>(out - base)) {
      stop = Stop::kBadDistance;
      break;
    }
    if (distance >= 16 && length <= 16) {
      std::memcpy(out, out - distance, 16);
    } else {
      Copy(out, length, distance);
    }
    out += length;
  }
  at = {in, out, flags, left};
  return stop;
}

class Decoder {
 public:
  Decoder(std::span<const std::uint8_t> stream, std::size_t limit)
      : in_(stream.data()), size_(stream.size()), limit_(limit) {
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
    buffer_.resize(
        std::min(limit_, std::max(buffer_.size() * 2, length_ + (std::size_t{1} << 16))) + kSlack);
    return buffer_.size() - kSlack - length_ >= kFastOutput;
  }

  // Decodes items while any item is sure to fit in both buffers, so no item
  // needs its own bounds checks. Returns true when the module ended or a copy
  // reached before the start (with `status` set), false when it ran close to
  // an end and the careful loop must go on.
  bool Fast(Result& status) {
    if (size_ - pos_ < kFastInput || !FastRoom()) return false;
    const std::uint8_t* in = in_ + pos_;
    std::uint8_t* const base = buffer_.data();
    std::uint8_t* out = base + length_;
    std::uint8_t* const outLast = base + buffer_.size() - kSlack - kFastOutput;
    // The bits of the current flag word not yet consumed, from bit 0; every
    // bit above `left` is zero.
    std::uint32_t flags = flags_;
    unsigned left = left_;
    const auto leave = [&](Result result) {
      pos_ = static_cast<std::size_t>(in - in_);
      length_ = static_cast<std::size_t>(out - base);
      flags_ = flags;
      left_ = left;
      status = result;
      return true;
    };
    // Each step decodes a run of literals (maybe empty) and the copy after it,
    // so that telling literals from copies costs no branch of its own.
    // Streams of little else than long copies ran faster on branches, which
    // always predict there: a flag word holding nothing but long copies ends
    // the loop early (`stop` moves to the stream's start), and LongCopies
    // takes them until something else comes.
    const std::uint8_t* stop = InLast();
    for (;;) {
      while (in <= stop && out <= outLast) {
        const unsigned ones = std::countr_one(flags);
        std::memcpy(out, in, 16);
        if (ones == left) {
          // The run takes the word's last bit: the next word precedes its last
          // byte, and the run may go on in that word.
          out += left - 1;
          in += left - 1;
          flags = Word(in);
          in += 2;
          left = 16;
          *out++ = *in++;
          continue;
        }
        out += ones;
        in += ones;
        flags >>= ones;
        left -= ones;

        // A copy: two flag bits (0, 1) for a long one, four (0, 0, H, L) for a
        // short one. Mostly they all lie in this word, and the word's bits are
        // then all the next step waits for. Otherwise the next word comes first
        // in the stream: it is read and the item's bits taken across both.
        // (With one bit left, the kind is not known yet, but the item crosses
        // either way.)
        std::uint32_t joined = flags;
        if (const std::uint32_t used = 4 - (flags & 2); used < left) {
          flags >>= used;
          left -= used;
        } else {
          joined |= Word(in) << left;
          const std::uint32_t crossed = 4 - (joined & 2);
          flags = joined >> crossed;
          left = left + 16 - crossed;
          in += 2;
          // Every item the new word holds whole, after this one, a long
          // copy (bits 0, 1 repeated): a stream that is all long copies.
          const unsigned pairs = (left - 1) / 2;
          const std::uint32_t mask = (std::uint32_t{1} << (2 * pairs)) - 1;
          if ((flags & mask) == (0xAAAAu & mask)) stop = in_;
        }
        // Which kind it is cannot be predicted, so both readings of the data
        // bytes are made and the right one picked with masks, not branches.
        const std::uint32_t isLong = joined >> 1 & 1;
        const std::size_t b1 = in[0];
        const std::size_t b2 = in[1];
        const std::size_t b3 = in[2];
        // One formula for both kinds, steered by masks: a short copy's
        // distance has no high bits and its length field is (H, L).
        const std::size_t longMask = 0 - std::size_t{isLong};
        const std::size_t shortField = (joined >> 1 & 2) | (joined >> 3 & 1);
        const std::size_t field = ((b2 & 7) & longMask) | (shortField & ~longMask);
        std::size_t length = 2 + field;
        const std::size_t high = (b2 & 0xF8 & longMask) << 5;
        const std::size_t distance = (std::size_t{256} << (5 * isLong)) - (high | b1);
        in += 1 + isLong;
        // The long copy's three-byte form (no length in B2) is taken by a
        // branch: it is rare or else regular, and so `in` need not wait for B2.
        if (isLong & ((b2 & 7) == 0)) {
          ++in;
          if (b3 <= 1) {
            if (b3 == 0) return leave(kOk);  // end marker
            continue;                        // no-op
          }
          length = b3 + 1;
        }
        if (distance > static_cast<std::size_t>(out - base)) return leave(kBadDistance);
        Copy(out, length, distance);
        out += length;
      }
      if (stop != in_) break;
      stop = InLast();
      Cursor cursor{in, out, flags, left};
      const Stop end = LongCopies(cursor, base, stop, outLast);
      in = cursor.in;
      out = cursor.out;
      flags = cursor.flags;
      left = cursor.left;
      if (end == Stop::kEndMarker) return leave(kOk);
      if (end == Stop::kBadDistance) return leave(kBadDistance);
    }
    leave(kOk);
    return false;
  }

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
        distance = 8192 - (((b2 & 0xF8) << 5) | b1);
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
      Copy(buffer_.data() + length_, length, distance);
      length_ += length;
    }
  }

  // Makes sure `count` more bytes (plus slack) fit, within the output bound.
  Result Room(std::size_t count) {
    if (count > limit_ - length_) return kOutputLimit;
    if (length_ + count + kSlack > buffer_.size()) {
      buffer_.resize(std::min(limit_, std::max(buffer_.size() * 2, length_ + count)) + kSlack);
    }
    return kOk;
  }

  const std::uint8_t* in_;
  std::size_t size_;
  std::size_t pos_ = 0;
  std::size_t limit_;
  std::uint32_t flags_ = 0;
  unsigned left_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::size_t length_ = 0;
};

}  // namespace

DecompressResult Decompress(std::span<const std::uint8_t> stream, Mode mode,
                            std::size_t outputLimit) {
  Decoder decoder(stream, outputLimit);
  const Result status = decoder.Run(mode);
  return decoder.Take(status);
}

}  // namespace droven
