#include "workshop/StreamBound.h"

namespace kerrow {

namespace {

// Reads items as the stored format lays them out: a little-endian flag word
// whose bits are taken from bit 0 up, the next word read the moment the 16th
// bit is taken, data bytes after an item's last flag bit.
class ItemReader {
 public:
  explicit ItemReader(std::span<const std::uint8_t> data) : data_(data) {}

  bool Start() { return Word(); }
  bool Bit(unsigned& bit) {
    bit = flags_ & 1;
    flags_ >>= 1;
    return --left_ != 0 || Word();
  }
  bool Byte(unsigned& byte) {
    if (at_ >= data_.size()) return false;
    byte = data_[at_++];
    return true;
  }

 private:
  bool Word() {
    if (data_.size() - at_ < 2) return false;
    flags_ = data_[at_] | static_cast<unsigned>(data_[at_ + 1]) << 8;
    at_ += 2;
    left_ = 16;
    return true;
  }

  std::span<const std::uint8_t> data_;
  std::size_t at_ = 0;
  unsigned flags_ = 0;
  unsigned left_ = 0;
};

}  // namespace

bool DecodesPastBound(std::span<const std::uint8_t> rom, std::int64_t offset, std::int64_t bound) {
  if (offset < 0 || offset >= static_cast<std::int64_t>(rom.size())) return false;
  ItemReader items(rom.subspan(static_cast<std::size_t>(offset)));
  if (!items.Start()) return false;
  std::int64_t produced = 0;
  for (;;) {
    unsigned literal = 0, longForm = 0;
    if (!items.Bit(literal)) return false;
    std::int64_t length = 1;
    std::int64_t distance = 0;
    if (literal) {
      unsigned byte = 0;
      if (!items.Byte(byte)) return false;
    } else if (!items.Bit(longForm)) {
      return false;
    } else if (!longForm) {
      unsigned high = 0, low = 0, back = 0;
      if (!items.Bit(high) || !items.Bit(low) || !items.Byte(back)) return false;
      length = 2 * high + low + 2;
      distance = 256 - back;  // a zero byte stands for 256
    } else {
      unsigned first = 0, second = 0, count = 0;
      if (!items.Byte(first) || !items.Byte(second)) return false;
      if (second & 7) {
        length = (second & 7) + 2;
      } else {
        if (!items.Byte(count)) return false;
        if (count == 0) return false;  // the end marker: the stream ends within the bound
        if (count == 1) continue;      // no-op
        length = count + 1;
      }
      distance = 8192 - (((second & 0xF8) << 5) | first);
    }
    if (distance > produced) return false;  // a copy from before the start
    produced += length;
    if (produced > bound) return true;
  }
}

}  // namespace kerrow
