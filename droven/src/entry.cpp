// The exported entry points: string variants in, a 32-bit result out.
#include <cstdint>
#include <new>
#include <optional>
#include <string_view>

#include "droven/droven.h"
#include "operations.h"
#include "variant_path.h"

namespace {

droven::Mode ModeOf(std::int32_t moduleFlag) {
  return (moduleFlag & 0xFF) != 0 ? droven::Mode::Module : droven::Mode::Plain;
}

// Nothing may unwind into a caller that knows only result values.
template <typename Call>
std::int32_t Guarded(Call call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return droven::kNoMemory;
  } catch (...) {
    return droven::kDestinationFailed;
  }
}

}  // namespace

extern "C" {

DROVEN_EXPORT std::int32_t Comp(VARIANT source, VARIANT destination, std::int32_t moduleFlag) {
  return Guarded([&] {
    const auto from = droven::PathFromVariant(source);
    const auto to = droven::PathFromVariant(destination);
    if (!from || !to) return droven::kBadPath;
    return droven::CompressFile(*from, *to, ModeOf(moduleFlag));
  });
}

DROVEN_EXPORT std::int32_t Decomp(VARIANT source, VARIANT destination, std::int32_t startOffset,
                                  std::int32_t moduleFlag) {
  return Guarded([&] {
    const auto from = droven::PathFromVariant(source);
    const auto to = droven::PathFromVariant(destination);
    if (!from || !to) return droven::kBadPath;
    return droven::DecompressFile(*from, *to, startOffset, ModeOf(moduleFlag));
  });
}

}  // extern "C"
