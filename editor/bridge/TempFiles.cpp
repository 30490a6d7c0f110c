#include "bridge/TempFiles.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "shell/Failure.h"

#ifndef _WIN32
#include <cstdlib>
#endif

namespace kerrow {
namespace fs = std::filesystem;

namespace {

// Owns the directory for the rest of the process and removes it at the end.
struct PrivateDirectory {
  std::string path;
  ~PrivateDirectory() { Remove(); }
  void Remove() {
    if (path.empty()) return;
    std::error_code ignored;
    fs::remove_all(path, ignored);
    path.clear();
  }
};

PrivateDirectory& Directory() {
  static PrivateDirectory directory;
  return directory;
}

std::string CreatePrivateDirectory() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  if (error) base = fs::current_path();
#ifndef _WIN32
  // mkdtemp creates the directory with mode 0700 in one step.
  std::string pattern = (base / "kerrow-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) return pattern;
#else
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("kerrow-" + std::to_string(random() % 1000000000ULL));
    if (fs::create_directory(candidate, error)) return candidate.string();
  }
#endif
  throw Failure(kErrPathAccess, "Path/File access error", "kerrow");
}

}  // namespace

const std::string& TempDirectory() {
  PrivateDirectory& directory = Directory();
  if (directory.path.empty()) directory.path = CreatePrivateDirectory();
  return directory.path;
}

std::string TempFilePath(const std::string& name) {
  return (fs::path(TempDirectory()) / name).string();
}

void RemoveTempDirectory() { Directory().Remove(); }

}  // namespace kerrow
