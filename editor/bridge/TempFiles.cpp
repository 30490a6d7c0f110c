#include "bridge/TempFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <system_error>

#include "shell/Failure.h"

#ifdef _WIN32
#include <process.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kerrow {
namespace fs = std::filesystem;

namespace {

long CurrentProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<long>(::getpid());
#endif
}

// Owns the directory for the rest of the process and removes it at the end.
// The owner's process id is kept because a forked child inherits this object
// and would otherwise remove the directory its parent is still using.
struct PrivateDirectory {
  std::string path;
  long owner = 0;
  ~PrivateDirectory() { Remove(); }
  void Remove() {
    if (path.empty() || owner != CurrentProcessId()) return;
    std::error_code ignored;
    fs::remove_all(path, ignored);
    path.clear();
  }
};

PrivateDirectory& Directory() {
  static PrivateDirectory directory;
  return directory;
}

#ifndef _WIN32
// When the process `pid` started (clock ticks since boot), or -1 when there is
// no such process.
long long ProcessStartTime(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return -1;
  // The command name in parentheses may hold spaces; the fields after it do not.
  std::istringstream fields(line.substr(line.rfind(')') + 1));
  std::string field;
  for (int i = 3; i <= 22 && fields >> field; ++i) {
    if (i == 22) return std::atoll(field.c_str());
  }
  return -1;
}

// "kerrow PID STARTTIME", so that a later run can tell whether we are gone.
void WriteOwnerNote(const std::string& directory) {
  std::ofstream note(directory + "/" + kTempOwnerNote);
  note << "kerrow " << CurrentProcessId() << ' ' << ProcessStartTime(CurrentProcessId()) << '\n';
}

bool IsStale(const fs::path& directory) {
  const std::string name = directory.filename().string();
  if (name.size() != 13 || name.rfind("kerrow-", 0) != 0) return false;
  struct stat info {};
  if (::lstat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
      info.st_uid != ::getuid())
    return false;
  std::ifstream in(directory / kTempOwnerNote);
  std::string word;
  long pid = 0;
  long long started = 0;
  if (!(in >> word >> pid >> started) || word != "kerrow" || pid <= 0) return false;
  if (pid == CurrentProcessId()) return false;
  const long long now = ProcessStartTime(pid);
  return now < 0 || now != started;
}
#endif

[[noreturn]] void FailCreate(const fs::path& base, const std::string& why) {
  throw Failure(kErrPathAccess,
                "Path/File access error: cannot create a directory for temporary files in " +
                    base.string() + ": " + why,
                "kerrow");
}

std::string CreatePrivateDirectory() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = fs::current_path();
#ifndef _WIN32
  // mkdtemp creates the directory with mode 0700 in one step.
  std::string pattern = (base / "kerrow-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) {
    WriteOwnerNote(pattern);
    return pattern;
  }
  FailCreate(base, std::strerror(errno));
#else
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("kerrow-" + std::to_string(random() % 1000000000ULL));
    if (fs::create_directory(candidate, error)) return candidate.string();
    if (error) break;  // not a name clash: another name will not help
  }
  FailCreate(base, error ? error.message() : "every name tried is taken");
#endif
}

}  // namespace

const std::string& TempDirectory() {
  PrivateDirectory& directory = Directory();
  std::error_code error;
  const bool usable = !directory.path.empty() && directory.owner == CurrentProcessId() &&
                      fs::is_directory(directory.path, error);
  if (!usable) {
    // A cleaner of the temporary area may have removed it; a forked child
    // gets a directory of its own.
    directory.path = CreatePrivateDirectory();
    directory.owner = CurrentProcessId();
  }
  return directory.path;
}

bool HasTempDirectory() {
  const PrivateDirectory& directory = Directory();
  return !directory.path.empty() && directory.owner == CurrentProcessId();
}

std::string TempFilePath(const std::string& name) {
  return (fs::path(TempDirectory()) / name).string();
}

void RemoveTempDirectory() { Directory().Remove(); }

void RemoveStaleTempDirectories() {
#ifndef _WIN32
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return;
  try {
    for (const fs::directory_entry& entry : fs::directory_iterator(base, error)) {
      if (!IsStale(entry.path())) continue;
      std::error_code ignored;
      fs::remove_all(entry.path(), ignored);
    }
  } catch (const fs::filesystem_error&) {
    // A folder that cannot be listed to its end keeps what was not reached.
  }
#endif
}

namespace {
std::terminate_handler previousTerminate = nullptr;
}  // namespace

void RemoveTempDirectoryOnTerminate() {
  previousTerminate = std::set_terminate([] {
    RemoveTempDirectory();
    // The handler before ours reports the failure; neither returns.
    if (previousTerminate) previousTerminate();
    std::abort();
  });
}

}  // namespace kerrow
