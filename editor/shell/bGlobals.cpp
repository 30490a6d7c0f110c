#include "shell/bGlobals.h"

#include <filesystem>

namespace kerrow {

Globals& G() {
  static Globals globals;
  return globals;
}

void ResetGlobals() { G() = Globals{}; }

void NoteSaved(const std::string& what, const std::string& romPath) {
  std::string& report = G().SaveReport;
  if (!report.empty()) report += " and ";
  report += what + " into " + std::filesystem::path(romPath).filename().string();
}

TableView& GameTableView(GameTable table) {
  auto& view = G().GameTables[table];
  if (!view) throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", "kerrow");
  return *view;
}

}  // namespace kerrow
