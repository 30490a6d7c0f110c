// Makes a file or folder read-only for the length of a test. Root ignores
// permission bits, so as root the file system's immutable flag is set instead;
// Made() is false where neither works, and the test says so and skips.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace kerrow::test {

class ReadOnly {
 public:
  explicit ReadOnly(std::string path) : path_(std::move(path)) {
    if (geteuid() == 0) {
      immutable_ = std::system(("chattr +i '" + path_ + "' 2>/dev/null").c_str()) == 0;
    } else {
      struct stat info {};
      if (stat(path_.c_str(), &info) != 0) return;
      mode_ = info.st_mode;
      made_ = chmod(path_.c_str(), S_ISDIR(info.st_mode) ? 0555 : 0444) == 0;
    }
  }
  ~ReadOnly() {
    if (immutable_) (void)std::system(("chattr -i '" + path_ + "'").c_str());
    if (made_) chmod(path_.c_str(), mode_);
  }
  ReadOnly(const ReadOnly&) = delete;
  ReadOnly& operator=(const ReadOnly&) = delete;

  bool Made() const { return immutable_ || made_; }

 private:
  std::string path_;
  bool immutable_ = false;
  bool made_ = false;
  mode_t mode_ = 0;
};

}  // namespace kerrow::test
