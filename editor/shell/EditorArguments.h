// The editor's own options. Everything else on the command line keeps its old
// meaning: exactly "/debug" selects the development folder, anything else is
// ignored.
#pragma once

#include <optional>
#include <string>

namespace kerrow {

struct EditorArguments {
  bool version = false;             // --version: print it and stop
  bool help = false;                // --help, -h: print the usage and stop
  std::optional<std::string> data;  // --data DIR, --data=DIR: the catalog folder
  std::string error;                // a malformed option; the program stops with it
};

inline constexpr const char* kEditorUsage =
    "Usage: kerrow [--data DIR]\n"
    "       kerrow /debug\n"
    "       kerrow --version | --help\n"
    "\n"
    "  --data DIR   read the catalog (game.mdb) from DIR\n"
    "  /debug       read it from the development folder\n"
    "Otherwise the catalog is read from KERROW_DATA, the program's own folder when\n"
    "it holds game.mdb, or the per-user data folder ($XDG_DATA_HOME/kerrow, by default\n"
    "~/.local/share/kerrow), which the first start fills from the installed data.\n";

EditorArguments ParseEditorArguments(int argc, const char* const* argv);

}  // namespace kerrow
