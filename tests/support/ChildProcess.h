// Runs a real program as a child process, its output kept in files, so that a
// test can kill it, run two at once, or trace it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace kerrow::test {

class ChildProcess {
 public:
  // Starts `args` (args[0] looked up on PATH); standard output and error go
  // to `outputPath` and `outputPath`.err.
  ChildProcess(const std::vector<std::string>& args, const std::string& outputPath)
      : output_(outputPath) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int out = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open((outputPath + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ~ChildProcess() {
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit status, or 128 + the signal that ended it.
  int Wait() {
    if (!waited_) {
      int status = 0;
      while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      waited_ = true;
    }
    return status_;
  }
  std::string Out() const { return Slurp(output_); }
  std::string Err() const { return Slurp(output_ + ".err"); }

 private:
  static std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  pid_t pid_ = -1;
  bool waited_ = false;
  int status_ = -1;
  std::string output_;
};

// Runs to the end; the exit status (or 128 + signal).
inline int RunChild(const std::vector<std::string>& args, const std::string& outputPath) {
  return ChildProcess(args, outputPath).Wait();
}

}  // namespace kerrow::test
