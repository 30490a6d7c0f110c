// The droven command: compress or decompress one file into another.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "operations.h"

namespace {

constexpr int kUsageError = 64;

constexpr const char* kUsage =
    "Usage: droven c [-m] INPUT OUTPUT\n"
    "       droven d [-m] [-o OFFSET] INPUT OUTPUT\n"
    "\n"
    "  c, compress      compress INPUT into OUTPUT\n"
    "  d, decompress    decompress the stream at OFFSET of INPUT into OUTPUT\n"
    "  -m, --module     module mode (size header, modules of 4096 bytes, at most 65535 bytes)\n"
    "  -o, --offset N   where the stream begins in INPUT (decimal, or hexadecimal with 0x)\n"
    "  -h, --help       show this text\n"
    "  --version        show the version\n"
    "\n"
    "OUTPUT is replaced only when the whole operation succeeds; it may be INPUT itself.\n"
    "Exit status: 0 on success, otherwise the library's result value (2: module mode with\n"
    "more than 65535 bytes; 3-9: see the README), 64 for a wrong command line.\n";

int UsageError(const std::string& message) {
  std::fprintf(stderr, "droven: %s (droven --help shows the usage)\n", message.c_str());
  return kUsageError;
}

bool ParseOffset(std::string_view text, std::int64_t& offset) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  offset = negative ? -value : value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::string_view arg : args) {
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::puts("droven " DROVEN_TOOL_VERSION);
      return 0;
    }
  }
  if (args.empty()) return UsageError("no command given");

  const std::string_view command = args.front();
  const bool compress = command == "c" || command == "compress";
  if (!compress && command != "d" && command != "decompress") {
    return UsageError("unknown command '" + std::string(command) + "'");
  }

  bool module = false;
  bool offsetGiven = false;
  std::int64_t offset = 0;
  std::vector<std::string_view> files;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.empty() || arg.front() != '-' || arg == "-") {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-m" || arg == "--module") {
      module = true;
    } else if (arg == "-o" || arg == "--offset" || arg.starts_with("--offset=")) {
      std::string_view value;
      if (arg.starts_with("--offset=")) {
        value = arg.substr(std::strlen("--offset="));
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return UsageError(std::string(arg) + " needs a value");
      }
      if (!ParseOffset(value, offset)) {
        return UsageError("'" + std::string(value) + "' is not an offset");
      }
      offsetGiven = true;
    } else {
      return UsageError("unknown option '" + std::string(arg) + "'");
    }
  }
  if (compress && offsetGiven) return UsageError("an offset applies only to decompression");
  if (files.size() != 2) return UsageError("expected INPUT and OUTPUT");

  const std::filesystem::path input{std::string(files[0])};
  const std::filesystem::path output{std::string(files[1])};
  const droven::Mode mode = module ? droven::Mode::Module : droven::Mode::Plain;
  droven::Result result;
  try {
    result = compress ? droven::CompressFile(input, output, mode)
                      : droven::DecompressFile(input, output, offset, mode);
  } catch (const std::bad_alloc&) {
    result = droven::kNoMemory;
  }
  if (result != droven::kOk) {
    const bool aboutOutput = result == droven::kDestinationFailed;
    std::fprintf(stderr, "droven: %s: %s\n", std::string(aboutOutput ? files[1] : files[0]).c_str(),
                 droven::ResultText(result));
  }
  return result;
}
