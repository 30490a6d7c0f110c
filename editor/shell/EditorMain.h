// The program's start-up, testable: returns the window instead of running the
// event loop, or a non-zero status when the start failed.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "shell/frmMain.h"

namespace kerrow {

struct EditorSession {
  int Status = 0;
  std::unique_ptr<frmMain> Window;  // shown, owning the hidden About window; null on failure
};

// InitGlobals, then the main window shown and the About window created hidden.
// A failure of either is shown in a box and gives status 1, no window.
// `dataOption` is the folder given with --data, if any.
EditorSession Main(const std::string& commandLine, const std::string& programDirectory,
                   const std::optional<std::string>& dataOption = std::nullopt);

}  // namespace kerrow
