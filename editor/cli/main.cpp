#include <filesystem>
#include <string>
#include <vector>

#include "bridge/TempFiles.h"
#include "cli/CliCommand.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  kerrow::RemoveStaleTempDirectories();  // what killed runs left behind
  std::error_code error;
  const auto self = std::filesystem::canonical("/proc/self/exe", error);
  const std::string directory =
      error ? std::filesystem::current_path().string() : self.parent_path().string();
  return kerrow::cli::RunCli(args, directory);
}
