#include "bridge/RomJournal.h"

#include <algorithm>

namespace kerrow {

namespace {

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (std::uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Take(int count, std::uint64_t& value) {
    if (bytes_.size() - at_ < static_cast<std::size_t>(count)) return false;
    value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint64_t{bytes_[at_++]} << (8 * i);
    return true;
  }
  bool TakeBytes(std::size_t count, std::vector<std::uint8_t>& out) {
    if (bytes_.size() - at_ < count) return false;
    out.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
               bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + count));
    at_ += count;
    return true;
  }
  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::vector<std::uint8_t> EncodeJournal(const RomJournal& journal) {
  std::vector<std::uint8_t> out(kJournalMagic.begin(), kJournalMagic.end());
  Put(out, journal.Device, 8);
  Put(out, journal.Inode, 8);
  Put(out, static_cast<std::uint64_t>(journal.Length), 8);
  Put(out, journal.Ranges.size(), 4);
  for (const JournalRange& range : journal.Ranges) {
    Put(out, static_cast<std::uint64_t>(range.Offset), 8);
    Put(out, range.Before.size(), 4);
    out.insert(out.end(), range.Before.begin(), range.Before.end());
    out.insert(out.end(), range.After.begin(), range.After.end());
  }
  Put(out, Fnv1a(out), 8);
  return out;
}

bool LooksLikeOurJournal(std::span<const std::uint8_t> bytes) {
  const std::size_t n = std::min(bytes.size(), kJournalMagic.size());
  return std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
                    kJournalMagic.begin());
}

std::optional<RomJournal> DecodeJournal(std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kHashBytes = 8;
  if (bytes.size() < kJournalMagic.size() + kHashBytes || !LooksLikeOurJournal(bytes))
    return std::nullopt;
  const auto body = bytes.first(bytes.size() - kHashBytes);
  std::uint64_t stored = 0;
  Reader(bytes.last(kHashBytes)).Take(8, stored);
  if (stored != Fnv1a(body)) return std::nullopt;

  Reader in(body.subspan(kJournalMagic.size()));
  RomJournal journal;
  std::uint64_t length = 0;
  std::uint64_t count = 0;
  if (!in.Take(8, journal.Device) || !in.Take(8, journal.Inode) || !in.Take(8, length) ||
      !in.Take(4, count))
    return std::nullopt;
  journal.Length = static_cast<std::int64_t>(length);
  for (std::uint64_t i = 0; i < count; ++i) {
    JournalRange range;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    if (!in.Take(8, offset) || !in.Take(4, size) || !in.TakeBytes(size, range.Before) ||
        !in.TakeBytes(size, range.After))
      return std::nullopt;
    range.Offset = static_cast<std::int64_t>(offset);
    if (range.Offset < 0 || range.Offset > journal.Length - static_cast<std::int64_t>(size))
      return std::nullopt;
    journal.Ranges.push_back(std::move(range));
  }
  if (!in.AtEnd()) return std::nullopt;
  return journal;
}

}  // namespace kerrow
