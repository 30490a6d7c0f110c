// Entry points of the stand-in library: Decomp(source, destination, offset) and
// Comp(source, destination), paths as string variants, -1 on any failure. The
// data is kept in the plain Droven stream format.

// The public Droven header declares its own Comp and Decomp with a module flag;
// only its types are wanted here, so its declarations are renamed away.
#define Comp DrovenComp_NotUsedHere
#define Decomp DrovenDecomp_NotUsedHere
#include "droven/droven.h"
#undef Comp
#undef Decomp

#include <cstdint>

#include "operations.h"
#include "variant_path.h"

// On 32-bit Windows the entry points use the platform's convention for library
// calls (the callee removes the arguments); the .def file exports plain names.
#ifdef _WIN32
#define VANTOR_ENTRY std::int32_t __stdcall
#else
#define VANTOR_ENTRY __attribute__((visibility("default"))) std::int32_t
#endif

namespace {

constexpr std::int32_t kFailed = -1;

// Nothing may unwind into a caller that knows only result values.
template <typename Call>
std::int32_t ResultOf(Call call) {
  try {
    return call() == droven::kOk ? 0 : kFailed;
  } catch (...) {
    return kFailed;
  }
}

}  // namespace

extern "C" {

VANTOR_ENTRY Decomp(VARIANT source, VARIANT destination, std::int32_t startOffset) {
  return ResultOf([&] {
    const auto from = droven::PathFromVariant(source);
    const auto to = droven::PathFromVariant(destination);
    if (!from || !to) return droven::kBadPath;
    return droven::DecompressFile(*from, *to, startOffset, droven::Mode::Plain);
  });
}

VANTOR_ENTRY Comp(VARIANT source, VARIANT destination) {
  return ResultOf([&] {
    const auto from = droven::PathFromVariant(source);
    const auto to = droven::PathFromVariant(destination);
    if (!from || !to) return droven::kBadPath;
    return droven::CompressFile(*from, *to, droven::Mode::Plain);
  });
}

}  // extern "C"
