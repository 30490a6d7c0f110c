#include "shell/DataFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include "shell/Failure.h"
#include "shell/Startup.h"

#ifndef KERROW_INSTALLED_DATA
#define KERROW_INSTALLED_DATA "../share/kerrow"
#endif

namespace kerrow {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCatalogFile = "game.mdb";
constexpr const char* kSource = "kerrow";

std::string WithSeparator(std::string path) {
  if (path.empty() || path.back() != kPathSeparator) path += kPathSeparator;
  return path;
}

bool HoldsCatalog(const std::string& directory) {
  std::error_code error;
  return !directory.empty() && fs::is_regular_file(fs::path(directory) / kCatalogFile, error);
}

std::string Getenv(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

[[noreturn]] void CannotFill(const fs::path& folder, const fs::path& file, int error) {
  throw Failure(kErrPathAccess,
                "The data folder \"" + folder.string() + "\" cannot be filled: " + file.string() +
                    ": " + std::strerror(error),
                kSource);
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

bool CopyBytes(int from, int to) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = ::read(from, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return false;
      done += put;
    }
  }
}

// Copies one installed file into the folder unless a file of that name is
// there: through a temporary file that is flushed and then linked into place,
// so a kill never leaves a torn file and a file that appeared meanwhile wins.
void CopyWithoutReplacing(const fs::path& folder, const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(to, error))) return;
  Descriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (in.get() < 0 || ::fstat(in.get(), &info) != 0) CannotFill(folder, from, errno);
  if (!S_ISREG(info.st_mode)) CannotFill(folder, from, EINVAL);

  std::string temp = to.parent_path() / ".";
  temp += to.filename().string();
  temp += ".part-XXXXXX";
  Descriptor out(::mkstemp(temp.data()));
  if (out.get() < 0) CannotFill(folder, to, errno);
  const bool written = CopyBytes(in.get(), out.get()) &&
                       ::fchmod(out.get(), (info.st_mode & 07777) | S_IWUSR) == 0 &&
                       ::fsync(out.get()) == 0 && ::close(out.release()) == 0;
  const int writeError = errno;
  const bool linked = written && (::link(temp.c_str(), to.c_str()) == 0 || errno == EEXIST);
  const int linkError = errno;
  ::unlink(temp.c_str());
  if (!written) CannotFill(folder, to, writeError);
  if (!linked) CannotFill(folder, to, linkError);
  Descriptor directory(::open(to.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
}

}  // namespace

DataFolderEnvironment DataFolderEnvironment::FromProcess() {
  return {Getenv("KERROW_DATA"), Getenv("XDG_DATA_HOME"), Getenv("HOME")};
}

std::string InstalledDataDirectory(const std::string& programDirectory) {
  if (programDirectory.empty()) return "";
  std::error_code error;
  const fs::path data = fs::path(programDirectory) / KERROW_INSTALLED_DATA;
  if (!HoldsCatalog(data.string())) return "";
  const fs::path normal = fs::weakly_canonical(data, error);
  return error ? data.string() : normal.string();
}

std::string UserDataDirectory(const DataFolderEnvironment& env) {
  // A relative XDG_DATA_HOME is invalid and ignored.
  if (!env.xdgDataHome.empty() && fs::path(env.xdgDataHome).is_absolute())
    return (fs::path(env.xdgDataHome) / "kerrow").string();
  if (!env.home.empty()) return (fs::path(env.home) / ".local" / "share" / "kerrow").string();
  return "";
}

DataFolder LocateDataFolder(const std::string& commandLine, const std::optional<std::string>& dataOption,
                            const std::string& programDirectory, const DataFolderEnvironment& env) {
  if (dataOption) return {WithSeparator(*dataOption), DataFolderSource::Option, ""};
  if (!env.kerrowData.empty()) return {WithSeparator(env.kerrowData), DataFolderSource::Environment, ""};
  if (commandLine == kDebugSwitch)
    return {ChooseDataPath(commandLine, programDirectory), DataFolderSource::Debug, ""};
  const std::string own = ChooseDataPath(commandLine, programDirectory);
  if (HoldsCatalog(own)) return {own, DataFolderSource::ProgramFolder, ""};
  const std::string user = UserDataDirectory(env);
  if (!user.empty()) {
    if (HoldsCatalog(user)) return {WithSeparator(user), DataFolderSource::UserFolder, ""};
    const std::string installed = InstalledDataDirectory(programDirectory);
    if (!installed.empty()) return {WithSeparator(user), DataFolderSource::UserFolder, installed};
  }
  return {own, DataFolderSource::ProgramFolder, ""};
}

void PrepareDataFolder(const DataFolder& folder) {
  if (folder.source != DataFolderSource::UserFolder || folder.fillFrom.empty()) return;
  if (HoldsCatalog(folder.path)) return;
  const fs::path target(folder.path);
  std::error_code error;
  fs::create_directories(target, error);
  if (error) CannotFill(target, target, error.value());

  const fs::path source(folder.fillFrom);
  std::vector<fs::path> files;
  for (fs::recursive_directory_iterator it(source, error), end; !error && it != end;
       it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(fs::relative(it->path(), source, error));
  }
  if (error) CannotFill(target, source, error.value());
  // The catalog last: its presence is what marks the folder as filled.
  std::stable_partition(files.begin(), files.end(),
                        [](const fs::path& file) { return file != kCatalogFile; });
  for (const fs::path& file : files) {
    fs::create_directories((target / file).parent_path(), error);
    if (error) CannotFill(target, target / file, error.value());
    CopyWithoutReplacing(target, source / file, target / file);
  }
}

std::string DescribeDataFolder(const DataFolder& folder) {
  const char* why = "";
  switch (folder.source) {
    case DataFolderSource::Option:
      why = "given with --data";
      break;
    case DataFolderSource::Environment:
      why = "from KERROW_DATA";
      break;
    case DataFolderSource::Debug:
      why = "the /debug folder";
      break;
    case DataFolderSource::ProgramFolder:
      why = "the program's own folder";
      break;
    case DataFolderSource::UserFolder:
      why = "the per-user data folder";
      break;
  }
  return folder.path + " (" + why + ")";
}

}  // namespace kerrow
