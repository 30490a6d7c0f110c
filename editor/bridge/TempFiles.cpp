#include "bridge/TempFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <random>
#include <system_error>

#include "shell/Failure.h"

#ifdef _WIN32
#include <process.h>
#else
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
  if (mkdtemp(pattern.data()) != nullptr) return pattern;
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
