// Decoder working on whole buffers: the output is its own history window.
#include <algorithm>
#include <bit>
#include <cstring>

#include "codec.h"

namespace droven {
namespace {

// Longest single item, plus room for the wide steps of the copy loops.
constexpr std::size_t kSlack = 256 + 16;
// Most output one step of the fast loop produces (a copy of 256 bytes).
constexpr std::size_t kFastOutput = 256;
// Most input one step of the fast loop may touch: a run of 15 literals read
// 16 bytes wide, the next flag word and one more literal.
constexpr std::size_t kFastInput = 15 + 2 + 1 + 16;

std::uint32_t Word(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

// Appends `length` bytes copied from `distance` back; may write up to 15 bytes
// past the end, which the buffer's slack absorbs.
void Copy(std::uint8_t* to, std::size_t length, std::size_t distance) {
  const std::uint8_t* from = to - distance;
  if (distance == 1) {
    std::memset(to, *from, length);
  } else if (distance >= 16) {
    // Steps never overtake the source.
    for (std::size_t k = 0; k < length; k += 16) std::memcpy(to + k, from + k, 16);
  } else if (distance >= 8) {
    for (std::size_t k = 0; k < length; k += 8) std::memcpy(to + k, from + k, 8);
  } else {
    // A short period: lay down one stretch of at least 8 bytes, then copy from
    // a whole number of periods back in steps of 8.
    const std::size_t stride = distance * ((8 + distance - 1) / distance);
    const std::size_t head = std::min(length, stride);
    for (std::size_t k = 0; k < head; ++k) to[k] = from[k];
    for (std::size_t k = head; k < length; k += 8) std::memcpy(to + k, to + k - stride, 8);
  }
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
  bool Bytes(std::size_t count) const { return size_ - pos_ >= count; }

  // Output room for the fast loop, growing the buffer in big steps while the
  // bound allows; false when even one maximal item might not fit.
  bool FastRoom() {
    if (buffer_.size() - kSlack - length_ >= kFastOutput) return true;
    if (buffer_.size() - kSlack >= limit_) return false;
    buffer_.resize(std::min(limit_, std::max(buffer_.size() * 2, length_ + (std::size_t{1} << 16))) +
                   kSlack);
    return buffer_.size() - kSlack - length_ >= kFastOutput;
  }

  // Decodes items while any item is sure to fit in both buffers, so no item
  // needs its own bounds checks. Returns true when the module ended or a copy
  // reached before the start (with `status` set), false when it ran close to
  // an end and the careful loop must go on.
  bool Fast(Result& status) {
    if (size_ - pos_ < kFastInput || !FastRoom()) return false;
    const std::uint8_t* in = in_ + pos_;
    const std::uint8_t* const inLast = in_ + size_ - kFastInput;
    std::uint8_t* const base = buffer_.data();
    std::uint8_t* out = base + length_;
    std::uint8_t* const outLast = base + buffer_.size() - kSlack - kFastOutput;
    std::uint32_t flags = flags_;
    unsigned left = left_;
    const auto bit = [&] {
      const unsigned b = flags & 1;
      flags >>= 1;
      if (--left == 0) {
        flags = Word(in);
        in += 2;
        left = 16;
      }
      return b;
    };
    const auto leave = [&](Result result) {
      pos_ = static_cast<std::size_t>(in - in_);
      length_ = static_cast<std::size_t>(out - base);
      flags_ = flags;
      left_ = left;
      status = result;
      return true;
    };
    while (in <= inLast && out <= outLast) {
      if (flags & 1) {
        // A run of literals: their bytes follow each other in the stream.
        const unsigned ones = std::countr_one(flags);
        std::memcpy(out, in, 16);
        if (ones < left) {
          out += ones;
          in += ones;
          flags >>= ones;
          left -= ones;
          continue;
        }
        // The run takes the word's last bit: the next word precedes its last byte.
        out += left - 1;
        in += left - 1;
        flags = Word(in);
        in += 2;
        left = 16;
        *out++ = *in++;
        continue;
      }
      // A copy. Its two or four flag bits, when the word still holds more,
      // are taken at once.
      bool isLong;
      std::size_t length = 0;
      std::size_t distance;
      if (left > 4) {
        isLong = (flags & 2) != 0;
        const unsigned used = isLong ? 2 : 4;
        length = 2 + (flags >> 1 & 2) + (flags >> 3 & 1);
        flags >>= used;
        left -= used;
      } else {
        bit();
        isLong = bit() != 0;
        if (!isLong) {
          const unsigned high = bit();
          length = 2 * high + bit() + 2;
        }
      }
      if (isLong) {
        const std::size_t b1 = in[0];
        const std::size_t b2 = in[1];
        in += 2;
        if ((b2 & 7) != 0) {
          length = (b2 & 7) + 2;
        } else {
          const std::size_t b3 = *in++;
          if (b3 == 0) return leave(kOk);  // end marker
          if (b3 == 1) continue;           // no-op
          length = b3 + 1;
        }
        distance = 8192 - (((b2 & 0xF8) << 5) | b1);
      } else {
        distance = 256 - *in++;
      }
      if (distance > static_cast<std::size_t>(out - base)) return leave(kBadDistance);
      // The common short copies, in one step.
      if (distance >= 16 && length <= 16) {
        std::memcpy(out, out - distance, 16);
      } else if (distance >= 8 && length <= 8) {
        std::memcpy(out, out - distance, 8);
      } else {
        Copy(out, length, distance);
      }
      out += length;
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
