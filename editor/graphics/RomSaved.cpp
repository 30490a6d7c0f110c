#include "graphics/RomSaved.h"

namespace kerrow {

namespace {
RomSavedHook& Hook() {
  static RomSavedHook hook;
  return hook;
}
}  // namespace

void SetAfterRomSaved(RomSavedHook hook) {
  Hook() = std::move(hook);
}

void AfterRomSaved(const std::string& romPath) {
  if (Hook()) Hook()(romPath);
}

}  // namespace kerrow
