// Decoder working on whole buffers: the output is its own history window.
#include <algorithm>
#include <bit>
#include <cstring>

#include "codec.h"

namespace droven {
namespace {

// Longest single item, plus room for the 8-byte steps of the copy loop.
constexpr std::size_t kSlack = 256 + 16;

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

  Result Module() {
    if (!ReadFlags()) return kTruncated;
    for (;;) {
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
      Copy(length, distance);
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

  void Copy(std::size_t length, std::size_t distance) {
    std::uint8_t* to = buffer_.data() + length_;
    const std::uint8_t* from = to - distance;
    length_ += length;
    if (distance == 1) {
      std::memset(to, *from, length);
    } else if (distance >= 8) {
      // Steps of 8 never overtake the source; the tail may write into the slack.
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
