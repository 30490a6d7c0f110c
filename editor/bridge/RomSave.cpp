#include "bridge/RomSave.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "bridge/CheckedIo.h"
#include "bridge/RomJournal.h"
#include "graphics/BinaryFile.h"
#include "shell/Failure.h"

namespace kerrow {

namespace fs = std::filesystem;

namespace {

constexpr const char* kJournalSuffix = ".kerrow-journal";
constexpr const char* kPartialSuffix = ".partial";
constexpr std::int64_t kLargestJournal = std::int64_t{1} << 30;

std::string PartialJournalPath(const std::string& romPath) {
  return RomJournalPath(romPath) + kPartialSuffix;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// The whole of a journal file, or nothing when it is not a regular file or
// too large to be one of ours (then it is certainly not ours).
std::optional<std::vector<std::uint8_t>> ReadJournalFile(const std::string& path) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK), path);
  if (!file) FailFileStep("open", path, errno);
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) FailFileStep("read the length of", path, errno);
  if (!S_ISREG(info.st_mode) || info.st_size > kLargestJournal) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  ReadAllAt(file, 0, bytes);
  return bytes;
}

void RemoveJournal(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) FailFileStep("remove", path, errno);
  SyncDirectoryOf(path);
}

[[noreturn]] void FailForeign(const std::string& romPath, const std::string& journalPath) {
  throw Failure(kErrPathAccess,
                "Path/File access error: cannot save into " + romPath + ": " + journalPath +
                    " is in the way and is not a save journal of Kerrow; move it elsewhere first",
                kFileSource);
}

}  // namespace

std::string RomJournalPath(const std::string& romPath) {
  // Beside the file itself, so that every link to it finds the same journal.
  std::error_code error;
  fs::path real = fs::canonical(romPath, error);
  if (error) real = fs::absolute(romPath, error);
  std::string name = ".";
  name += real.filename().string();
  name += kJournalSuffix;
  return (real.parent_path() / name).string();
}

struct RomSave::Transaction {
  std::string path;
  BinaryFile rom;
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t length = 0;
  std::map<std::int64_t, std::vector<std::uint8_t>> writes;  // disjoint ranges
  std::string note;  // what recovery found

  Transaction(const std::string& romPath, BinaryFile file)
      : path(romPath), rom(std::move(file)) {}

  void Lock();
  void Recover();
  void RollBack(const RomJournal& journal);
  void Commit();
  RomJournal Journal() const;
};

namespace {

// The outermost save of this process; saves of the same file inside it join it.
std::weak_ptr<RomSave::Transaction>& ActiveSave() {
  static std::weak_ptr<RomSave::Transaction> active;
  return active;
}

}  // namespace

void RomSave::Transaction::Lock() {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kRomLockWaitMilliseconds);
  while (::flock(rom.NativeHandle(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) FailFileStep("lock", path, errno);
    if (Clock::now() >= deadline)
      throw Failure(kErrRomBusy,
                    path + " is being saved by another program; nothing was written. Try again "
                           "once that save has finished.",
                    kFileSource);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  struct stat info {};
  if (::fstat(rom.NativeHandle(), &info) != 0) FailFileStep("read the length of", path, errno);
  device = info.st_dev;
  inode = info.st_ino;
  length = info.st_size;
}

void RomSave::Transaction::RollBack(const RomJournal& journal) {
  for (const JournalRange& range : journal.Ranges) rom.WriteAt(range.Offset, range.Before);
  rom.Flush();
}

void RomSave::Transaction::Recover() {
  const std::string partial = PartialJournalPath(path);
  if (Exists(partial)) {
    // Renamed into place only once whole, and the ROM is written only after
    // that: a journal still partial means the ROM was not touched.
    const auto bytes = ReadJournalFile(partial);
    if (!bytes || !LooksLikeOurJournal(*bytes)) FailForeign(path, partial);
    RemoveJournal(partial);
  }
  const std::string journalPath = RomJournalPath(path);
  if (!Exists(journalPath)) return;
  const auto bytes = ReadJournalFile(journalPath);
  if (!bytes || !LooksLikeOurJournal(*bytes)) FailForeign(path, journalPath);
  const std::optional<RomJournal> journal = DecodeJournal(*bytes);
  if (!journal) {
    RemoveJournal(journalPath);
    note = "A damaged save journal was found beside " + path +
           " and removed without being applied.";
    return;
  }
  bool matches = journal->Device == device && journal->Inode == inode &&
                 journal->Length == length;
  bool touched = false;
  for (const JournalRange& range : journal->Ranges) {
    if (!matches) break;
    std::vector<std::uint8_t> now(range.Before.size());
    rom.ReadAt(range.Offset, now);
    for (std::size_t i = 0; i < now.size() && matches; ++i) {
      matches = now[i] == range.Before[i] || now[i] == range.After[i];
      touched = touched || now[i] != range.Before[i];
    }
  }
  if (!matches) {
    RemoveJournal(journalPath);
    note = "A save journal beside " + path +
           " was left by a save into a file that is no longer there as it was (replaced or "
           "changed since); it was removed without being applied.";
    return;
  }
  if (touched) {
    RollBack(*journal);
    note = "A save into " + path +
           " was interrupted; it has been undone, and the ROM image is as it was before that save.";
  }
  RemoveJournal(journalPath);
}

RomJournal RomSave::Transaction::Journal() const {
  RomJournal journal{device, inode, length, {}};
  for (const auto& [offset, after] : writes) {
    JournalRange range{offset, std::vector<std::uint8_t>(after.size()), after};
    rom.ReadAt(offset, range.Before);
    journal.Ranges.push_back(std::move(range));
  }
  return journal;
}

void RomSave::Transaction::Commit() {
  if (writes.empty()) return;
  const RomJournal journal = Journal();
  const std::string journalPath = RomJournalPath(path);
  const std::string partial = PartialJournalPath(path);
  {
    FileDescriptor file(
        ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600),
        partial);
    if (!file) FailFileStep("create the save journal", partial, errno);
    try {
      WriteAll(file, EncodeJournal(journal));
      Sync(file);
      file.Close();
      if (Exists(journalPath)) FailForeign(path, journalPath);
      if (::rename(partial.c_str(), journalPath.c_str()) != 0)
        FailFileStep("rename the save journal", partial, errno);
    } catch (...) {
      ::unlink(partial.c_str());
      throw;
    }
  }
  SyncDirectoryOf(journalPath);
  try {
    for (const JournalRange& range : journal.Ranges) rom.WriteAt(range.Offset, range.After);
    rom.Flush();
  } catch (...) {
    // Put the old bytes back now; if even that fails, the journal stays and
    // the next open plays it back.
    try {
      RollBack(journal);
      RemoveJournal(journalPath);
    } catch (...) {
    }
    throw;
  }
  RemoveJournal(journalPath);
  writes.clear();
}

RomSave::RomSave(const std::string& path) {
  struct stat info {};
  if (const auto active = ActiveSave().lock();
      active && ::stat(path.c_str(), &info) == 0 && info.st_dev == active->device &&
      info.st_ino == active->inode) {
    transaction_ = active;
    joined_ = true;
    return;
  }
  transaction_ = std::make_shared<Transaction>(path, BinaryFile::OpenForUpdate(path));
  transaction_->Lock();
  transaction_->Recover();
  if (ActiveSave().expired()) ActiveSave() = transaction_;
}

RomSave::~RomSave() = default;

const std::string& RomSave::Path() const { return transaction_->path; }

const std::string& RomSave::RecoveryNote() const { return transaction_->note; }

std::int64_t RomSave::Size() const { return transaction_->length; }

bool RomSave::Holds(std::int64_t offset, std::int64_t length) const {
  return offset >= 0 && length >= 0 && offset <= Size() - length;
}

std::vector<std::uint8_t> RomSave::ReadAll() const {
  std::vector<std::uint8_t> image = transaction_->rom.ReadAll();
  for (const auto& [offset, bytes] : transaction_->writes)
    std::copy(bytes.begin(), bytes.end(), image.begin() + offset);
  return image;
}

void RomSave::WriteAt(std::int64_t offset, std::span<const std::uint8_t> bytes) {
  const auto length = static_cast<std::int64_t>(bytes.size());
  RequireInPlace(Path(), Size(), offset, length);
  if (bytes.empty()) return;
  // Ranges that overlap the new one are merged with it; neighbours stay apart.
  auto& writes = transaction_->writes;
  std::int64_t start = offset;
  std::int64_t end = offset + length;
  auto first = writes.upper_bound(offset);
  if (first != writes.begin()) {
    auto before = std::prev(first);
    if (before->first + static_cast<std::int64_t>(before->second.size()) > offset) first = before;
  }
  auto last = first;
  while (last != writes.end() && last->first < offset + length) {
    start = std::min(start, last->first);
    end = std::max(end, last->first + static_cast<std::int64_t>(last->second.size()));
    ++last;
  }
  std::vector<std::uint8_t> merged(static_cast<std::size_t>(end - start));
  for (auto it = first; it != last; ++it)
    std::copy(it->second.begin(), it->second.end(), merged.begin() + (it->first - start));
  std::copy(bytes.begin(), bytes.end(), merged.begin() + (offset - start));
  writes.erase(first, last);
  writes.emplace(start, std::move(merged));
}

void RomSave::Commit() {
  if (!joined_) transaction_->Commit();
}

std::string RecoverRom(const std::string& path) {
  if (!Exists(RomJournalPath(path)) && !Exists(PartialJournalPath(path))) return "";
  try {
    return RomSave(path).RecoveryNote();
  } catch (const Failure& failure) {
    return "Kerrow could not check whether a save into " + path +
           " was interrupted: " + failure.Description();
  }
}

}  // namespace kerrow
