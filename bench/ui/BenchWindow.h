// The main window as the window benchmarks use it.
#pragma once

#include <QApplication>
#include <string>

#include "BenchCatalog.h"
#include "catalog/bDatabase.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow::bench {

// Points the editor at the game "game.db" and the ROM `rom` in `folder`, then
// shows `window` at a common desktop size with its first paint done.
inline void ShowWithGame(frmMain& window, const BenchFolder& folder, const std::string& rom) {
  G().DataPath = folder.Directory();
  G().RomPath = folder.File(rom);
  OpenGameDatabase("game.db");
  window.resize(960, 640);
  window.show();
  QApplication::processEvents();
}

}  // namespace kerrow::bench
