#include "shell/Dialogs.h"

#include <stdexcept>

namespace kerrow {

namespace {
Dialogs* active = nullptr;
}

Dialogs& ActiveDialogs() {
  if (!active) throw std::logic_error("no dialogs installed");
  return *active;
}

void SetActiveDialogs(Dialogs* dialogs) { active = dialogs; }

}  // namespace kerrow
