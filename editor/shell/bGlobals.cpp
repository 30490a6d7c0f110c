#include "shell/bGlobals.h"

namespace kerrow {

Globals& G() {
  static Globals globals;
  return globals;
}

void ResetGlobals() { G() = Globals{}; }

TableView& GameTableView(GameTable table) {
  auto& view = G().GameTables[table];
  if (!view) throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", "kerrow");
  return *view;
}

}  // namespace kerrow
