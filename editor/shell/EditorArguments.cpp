#include "shell/EditorArguments.h"

#include <string_view>

namespace kerrow {

EditorArguments ParseEditorArguments(int argc, const char* const* argv) {
  EditorArguments parsed;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--version") {
      parsed.version = true;
    } else if (arg == "--help" || arg == "-h") {
      parsed.help = true;
    } else if (arg == "--data") {
      if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) {
        parsed.error = "--data needs a directory";
        return parsed;
      }
      parsed.data = argv[++i];
    } else if (arg.starts_with("--data=")) {
      parsed.data = std::string(arg.substr(7));
      if (parsed.data->empty()) {
        parsed.error = "--data needs a directory";
        return parsed;
      }
    }
  }
  return parsed;
}

}  // namespace kerrow
