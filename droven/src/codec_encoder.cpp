// Greedy encoder: one item per position, chosen by the longest (then nearest)
// earlier match, flag bits interleaved with the data bytes.
#include <algorithm>
#include <memory>
#include <stdexcept>

#include "codec.h"
#include "codec_match_finder.h"

namespace droven {
namespace {

constexpr std::size_t kMaxMatchSlack = 512;

using detail::Match;

// Places flag bits into a 16-bit word whose two bytes are reserved in the output
// ahead of the data bytes that follow them. When the 16th bit is placed the word
// is filled in and the next one reserved at once, so an item's data bytes land
// after the flag word its last bit completed. Writes through a pointer into
// room the caller has made (MaxCompressedSize covers every stream), so a byte
// costs one store.
class ItemWriter {
 public:
  explicit ItemWriter(std::uint8_t* out) : out_(out) { Reserve(); }

  void Bit(bool set) { Bits(set, 1); }
  // `count` bits at once, the first in bit 0 of `value`: the same as Bit for
  // each in turn.
  void Bits(std::uint32_t value, unsigned count) {
    flags_ |= value << used_;
    used_ += count;
    if (used_ >= 16) {
      const unsigned over = used_ - 16;
      Fill();
      Reserve();
      flags_ = value >> (count - over);
      used_ = over;
    }
  }
  void Byte(std::uint8_t value) { *out_++ = value; }

  void Literal(std::uint8_t value) {
    Bit(true);
    Byte(value);
  }
  // The same as Literal for each byte in turn, a flag word's worth at a time:
  // worth the set-up for long runs only.
  void Literals(std::span<const std::uint8_t> values) {
    while (!values.empty()) {
      const std::size_t count = std::min<std::size_t>(values.size(), 16 - used_);
      flags_ |= ((1u << count) - 1) << used_;
      used_ += static_cast<unsigned>(count);
      if (used_ < 16) {
        out_ = std::copy(values.begin(), values.end(), out_);
        return;
      }
      // The bit that fills the word comes before its byte, so that byte lands
      // after the next word's reservation.
      out_ = std::copy_n(values.begin(), count - 1, out_);
      Fill();
      Reserve();
      *out_++ = values[count - 1];
      values = values.subspan(count);
    }
  }
  void ShortCopy(std::size_t length, std::size_t distance) {
    // Bits 0, 0, then the high and the low bit of length - 2.
    const auto field = static_cast<std::uint32_t>(length - 2);
    Bits((field & 2) << 1 | (field & 1) << 3, 4);
    Byte(static_cast<std::uint8_t>((256 - distance) & 0xFF));
  }
  void LongCopy(std::size_t length, std::size_t distance) {
    const std::size_t v = 8192 - distance;
    Bits(2, 2);  // bits 0, 1
    Byte(static_cast<std::uint8_t>(v & 0xFF));
    if (length <= 9) {
      Byte(static_cast<std::uint8_t>(8 * (v >> 8) + (length - 2)));
    } else {
      Byte(static_cast<std::uint8_t>(8 * (v >> 8)));
      Byte(static_cast<std::uint8_t>(length - 1));
    }
  }
  void EndMarker() {
    Bits(2, 2);  // bits 0, 1: a long copy's
    Byte(0x00);
    Byte(0xF0);
    Byte(0x00);
  }
  // The last flag word is written even when none of its bits is used.
  // Returns the end of what was written.
  std::uint8_t* Finish() {
    Fill();
    return out_;
  }

 private:
  void Reserve() {
    slot_ = out_;
    out_ += 2;
    flags_ = 0;
    used_ = 0;
  }
  void Fill() {
    slot_[0] = static_cast<std::uint8_t>(flags_ & 0xFF);
    slot_[1] = static_cast<std::uint8_t>(flags_ >> 8);
  }

  std::uint8_t* out_;
  std::uint8_t* slot_ = nullptr;
  std::uint32_t flags_ = 0;
  unsigned used_ = 0;
};

// Writes the copy for a match that IsCopy accepts.
void WriteCopy(ItemWriter& writer, const Match& match) {
  if (match.length <= 5 && match.distance <= 256) {
    writer.ShortCopy(match.length, match.distance);
  } else {
    writer.LongCopy(match.length, match.distance);
  }
}

// Encodes data[start, end) as one module at `out`; returns the end of what it wrote.
std::uint8_t* EncodeModule(detail::MatchFinder& finder, std::span<const std::uint8_t> data,
                           std::size_t start, std::size_t end, std::uint8_t* out) {
  ItemWriter writer(out);
  if (start < end) {
    // A module always opens with a literal, whatever came before it.
    writer.Literal(data[start]);
    std::size_t p = start + 1;
    while (p < end) {
      const detail::NextCopy next = finder.FindNextCopy(p, start, end);
      if (next.position - p < 16) {
        for (; p < next.position; ++p) writer.Literal(data[p]);
      } else {
        writer.Literals(data.subspan(p, next.position - p));
        p = next.position;
      }
      if (p == end) break;
      WriteCopy(writer, next.match);
      p += next.match.length;
    }
  }
  writer.EndMarker();
  return writer.Finish();
}

}  // namespace

std::size_t MaxCompressedSize(std::size_t size) {
  // Worst case: every byte a literal (1 flag bit + 1 byte), plus the header,
  // one end marker per module and a final flag word per module.
  const std::size_t modules = size / kModuleSize + 1;
  return 2 + size + (size + 2 * modules) / 16 * 2 + modules * 7 + 2;
}

namespace {

std::vector<std::uint8_t> CompressWith(std::span<const std::uint8_t> data, Mode mode,
                                       std::ptrdiff_t quickReserve) {
  if (mode == Mode::Module && data.size() > kModuleModeLimit) {
    throw std::length_error("module mode holds at most 65535 bytes");
  }
  // Positions are kept in 32 bits.
  if (data.size() >= UINT32_MAX - kMaxMatchSlack) throw std::length_error("source too large");
  // Room for the longest stream there can be, left uncleared: zeroing it would
  // cost more than copying out the stream, which is mostly far shorter.
  const auto room = std::make_unique_for_overwrite<std::uint8_t[]>(MaxCompressedSize(data.size()));
  std::uint8_t* at = room.get();
  detail::MatchFinder finder(data, quickReserve,
                             mode == Mode::Module ? kModuleSize : data.size());
  if (mode == Mode::Plain) {
    at = EncodeModule(finder, data, 0, data.size(), at);
  } else {
    *at++ = static_cast<std::uint8_t>(data.size() >> 8);
    *at++ = static_cast<std::uint8_t>(data.size() & 0xFF);
    // An empty source still gets one (empty) module, so that every decoder finds
    // the end marker it expects after the header.
    std::size_t start = 0;
    do {
      const std::size_t end = std::min(data.size(), start + kModuleSize);
      at = EncodeModule(finder, data, start, end, at);
      start = end;
    } while (start < data.size());
  }
  return std::vector<std::uint8_t>(room.get(), at);
}

}  // namespace

std::vector<std::uint8_t> Compress(std::span<const std::uint8_t> data, Mode mode) {
  return CompressWith(data, mode, detail::MatchFinder::kQuickReserve);
}

std::vector<std::uint8_t> detail::CompressWithoutQuickChains(std::span<const std::uint8_t> data,
                                                             Mode mode) {
  return CompressWith(data, mode, -1);
}

}  // namespace droven
