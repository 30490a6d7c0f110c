// Windows entry points of Droven.dll: real VARIANT/BSTR arguments, __stdcall,
// paths handed to the wide-character file API as they are. The codec itself is
// the shared in-memory core.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "codec.h"
#include "wide_files.h"

namespace {

using droven::Result;

Result Compress(const VARIANT& source, const VARIANT& destination, std::int32_t moduleFlag) {
  const std::optional<std::wstring> from = droven::windows::PathOf(source);
  const std::optional<std::wstring> to = droven::windows::PathOf(destination);
  if (!from || !to) return droven::kBadPath;
  const bool module = (moduleFlag & 0xFF) != 0;

  std::vector<std::uint8_t> data;
  if (Result r = droven::windows::ReadWhole(*from, 0, data); r != droven::kOk) return r;
  // Decided before the destination is touched, so an existing file survives.
  if (module && data.size() > droven::kModuleModeLimit) return droven::kModuleTooLong;

  const std::vector<std::uint8_t> stream =
      droven::Compress(data, module ? droven::Mode::Module : droven::Mode::Plain);
  return droven::windows::WriteReplacing(*to, stream);
}

Result Decompress(const VARIANT& source, const VARIANT& destination, std::int32_t startOffset,
                  std::int32_t moduleFlag) {
  const std::optional<std::wstring> from = droven::windows::PathOf(source);
  const std::optional<std::wstring> to = droven::windows::PathOf(destination);
  if (!from || !to) return droven::kBadPath;
  if (startOffset < 0) return droven::kOffsetOutside;

  std::vector<std::uint8_t> stream;
  if (Result r = droven::windows::ReadWhole(*from, static_cast<std::uint64_t>(startOffset), stream);
      r != droven::kOk)
    return r;
  const droven::DecompressResult result = droven::Decompress(
      stream, (moduleFlag & 0xFF) != 0 ? droven::Mode::Module : droven::Mode::Plain);
  if (result.status != droven::kOk) return result.status;
  return droven::windows::WriteReplacing(*to, result.data);
}

// Nothing may unwind into a caller that knows only result codes.
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

__declspec(dllexport) std::int32_t __stdcall Comp(VARIANT source, VARIANT destination,
                                                  std::int32_t moduleFlag) {
  return Guarded([&] { return Compress(source, destination, moduleFlag); });
}

__declspec(dllexport) std::int32_t __stdcall Decomp(VARIANT source, VARIANT destination,
                                                    std::int32_t startOffset,
                                                    std::int32_t moduleFlag) {
  return Guarded([&] { return Decompress(source, destination, startOffset, moduleFlag); });
}

}  // extern "C"
