// Every write into a ROM image goes through a RomSave: one writer at a time,
// and all-or-nothing. A RomSave locks the ROM (waiting briefly for another
// writer), keeps the writes in memory, and Commit puts them into the file in
// place (same inode, owner, mode and links) with a rollback journal beside it:
//
//   1. the old and new bytes of every range are written to
//      ".NAME.kerrow-journal.partial", put on the disk, and renamed to
//      ".NAME.kerrow-journal" (the directory is put on the disk too);
//   2. the ranges are written into the ROM, which is put on the disk;
//   3. the journal is removed.
//
// A journal found later (the save was killed or the power went) is played
// back, restoring the old bytes, by the next RomSave or RecoverRom of that ROM
// (under the same lock), then removed. A journal is applied only when it
// carries our magic, its hash holds, it names this very file (device, inode,
// length) and every byte of its ranges in the ROM is still its old or new
// byte; one that does not is never applied.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kerrow {

// How long a save waits for another program's save into the same ROM.
inline constexpr int kRomLockWaitMilliseconds = 5000;

class RomSave {
 public:
  // Locks the ROM and plays back a journal an interrupted save left. Inside
  // another RomSave of the same file in this process it joins that one: its
  // writes are committed with the outer save's, and Commit does nothing.
  // Failures: 53 (no such file), 75 (cannot open, lock or recover), kErrRomBusy
  // (another program kept it locked for the whole wait).
  explicit RomSave(const std::string& path);
  ~RomSave();  // drops writes that were not committed and unlocks
  RomSave(const RomSave&) = delete;
  RomSave& operator=(const RomSave&) = delete;

  const std::string& Path() const;
  // What playing back an earlier journal did, for the user (empty: nothing).
  const std::string& RecoveryNote() const;
  std::int64_t Size() const;
  bool Holds(std::int64_t offset, std::int64_t length) const;
  // The image as this save will leave it (the writes so far laid over the file).
  std::vector<std::uint8_t> ReadAll() const;

  // Keeps `bytes` for `offset`. Refused as BinaryFile::WriteAt refuses: a
  // negative offset (63) or bytes past the end (62); the file is never grown.
  void WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes);

  // Puts every write into the ROM all-or-nothing and on the disk. A failure
  // (75, with the file and the reason) leaves the old image, at the latest
  // once the journal has been played back.
  void Commit();

  struct Transaction;

 private:
  std::shared_ptr<Transaction> transaction_;
  bool joined_ = false;
};

// Plays back a journal that an interrupted save into `path` left, under the
// ROM's lock. Returns a line for the user when something was found (empty
// otherwise); never throws: a ROM that cannot be recovered is said so in it.
std::string RecoverRom(const std::string& path);

// The journal's name beside the ROM.
std::string RomJournalPath(const std::string& romPath);

}  // namespace kerrow
