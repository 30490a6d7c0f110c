#include "bridge/PathVariant.h"

namespace kerrow {

#ifdef _WIN32

PathVariant::PathVariant(const std::string& utf8Path) {
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()),
                                  nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8Path.data(), static_cast<int>(utf8Path.size()), wide.data(),
                      units);
  VariantInit(&variant_);
  variant_.vt = VT_BSTR;
  variant_.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

PathVariant::~PathVariant() {
  VariantClear(&variant_);
}

VARIANT PathVariant::Get() const {
  return variant_;
}

#else

PathVariant::PathVariant(const std::string& utf8Path)
    : text_(droven::BstrVariant::FromUtf8(utf8Path)) {}

PathVariant::~PathVariant() = default;

VARIANT PathVariant::Get() const {
  return text_.get();
}

#endif

}  // namespace kerrow
