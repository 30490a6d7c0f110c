// Running kerrow-cli inside the art tests' own process, as the CLI tests do.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommand.h"

namespace kerrow::test {

// The test program's folder, where the build puts the demo catalog and ROMs.
inline std::string ArtBinDir() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

// kerrow-cli ARGS; what it printed on standard output and error is kept in
// `out` and `err`. Returns its exit status.
inline int RunCliCapturing(const std::vector<std::string>& args, std::string& out, std::string& err) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const int status = cli::RunCli(args, ArtBinDir());
  out = testing::internal::GetCapturedStdout();
  err = testing::internal::GetCapturedStderr();
  return status;
}

}  // namespace kerrow::test
