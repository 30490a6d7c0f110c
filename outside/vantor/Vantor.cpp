// Entry points of the stand-in library: Decomp(source, destination, offset) and
// Comp(source, destination), paths as string variants, -1 on any failure.

// The public Droven header declares its own Comp and Decomp with a module flag;
// only its types are wanted here, so its declarations are renamed away.
#define Comp DrovenComp_NotUsedHere
#define Decomp DrovenDecomp_NotUsedHere
#include "droven/droven.h"
#undef Comp
#undef Decomp

#include <string>

#include "VantorFiles.h"

namespace {

bool PathOf(const VARIANT& variant, std::string& path) {
  if (variant.vt != VT_BSTR || !variant.bstrVal) return false;
  std::uint32_t units = SysStringLen(variant.bstrVal);
  return units > 0 && vantor::Utf16ToUtf8(variant.bstrVal, units, path);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::int32_t Decomp(VARIANT source, VARIANT destination,
                                                           std::int32_t startOffset) {
  std::string from;
  std::string to;
  if (!PathOf(source, from) || !PathOf(destination, to)) return -1;
  return vantor::DecompressFile(from, to, startOffset);
}

__attribute__((visibility("default"))) std::int32_t Comp(VARIANT source, VARIANT destination) {
  std::string from;
  std::string to;
  if (!PathOf(source, from) || !PathOf(destination, to)) return -1;
  return vantor::CompressFile(from, to);
}

}  // extern "C"
