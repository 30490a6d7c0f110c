#include "bridge/VantorCalls.h"

#include "bridge/Binding.h"
#include "bridge/PathVariant.h"

namespace kerrow {

std::int32_t VantorDecomp(const std::string& source, const std::string& destination,
                          std::int32_t startOffset) {
  auto entry =
      reinterpret_cast<DecompEntry>(Binding(BoundLibrary::Vantor, BoundEntry::Decomp).Address());
  PathVariant from(source);
  PathVariant to(destination);
  return entry(from.Get(), to.Get(), startOffset);
}

std::int32_t VantorComp(const std::string& source, const std::string& destination) {
  auto entry =
      reinterpret_cast<CompEntry>(Binding(BoundLibrary::Vantor, BoundEntry::Comp).Address());
  PathVariant from(source);
  PathVariant to(destination);
  return entry(from.Get(), to.Get());
}

}  // namespace kerrow
