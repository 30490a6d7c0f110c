// The rollback journal's bytes: which file it is for, and the old and new
// bytes of every range a save writes. Little-endian throughout:
//
//   "KRWJRNL1"  u64 device  u64 inode  u64 file length  u32 ranges
//   per range:  u64 offset  u32 length  old bytes  new bytes
//   u64 FNV-1a hash of everything before it
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kerrow {

inline constexpr std::string_view kJournalMagic = "KRWJRNL1";

struct JournalRange {
  std::int64_t Offset = 0;
  std::vector<std::uint8_t> Before;
  std::vector<std::uint8_t> After;  // as long as Before
};

struct RomJournal {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Length = 0;  // of the ROM
  std::vector<JournalRange> Ranges;
};

std::vector<std::uint8_t> EncodeJournal(const RomJournal& journal);
// Nothing when the bytes are not a whole journal of ours (torn, or foreign).
std::optional<RomJournal> DecodeJournal(std::span<const std::uint8_t> bytes);
// Whether the bytes begin like one of our journals (all of a short file counts).
bool LooksLikeOurJournal(std::span<const std::uint8_t> bytes);

}  // namespace kerrow
