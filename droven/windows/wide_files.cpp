#include "wide_files.h"

#include <algorithm>

namespace droven::windows {

namespace {

constexpr std::size_t kMaxPathUnits = 259;

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool WellFormed(const std::wstring& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\0') return false;
    if (IsHigh(s[i])) {
      if (i + 1 == s.size() || !IsLow(s[i + 1])) return false;
      ++i;
    } else if (IsLow(s[i])) {
      return false;
    }
  }
  return true;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  void Close() {
    if (Valid()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

std::wstring DirectoryOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  if (slash == 0) return path.substr(0, 1);
  return path.substr(0, slash);
}

bool WriteAll(HANDLE file, const std::vector<std::uint8_t>& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

std::optional<std::wstring> PathOf(const VARIANT& value) {
  if (value.vt != VT_BSTR || value.bstrVal == nullptr) return std::nullopt;
  const UINT length = SysStringLen(value.bstrVal);
  if (length == 0 || length > kMaxPathUnits) return std::nullopt;
  std::wstring path(value.bstrVal, length);
  if (!WellFormed(path)) return std::nullopt;
  return path;
}

droven::Result ReadWhole(const std::wstring& path, std::uint64_t offset,
                         std::vector<std::uint8_t>& data) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.Valid() || !GetFileSizeEx(file.Get(), &size)) return droven::kSourceUnreadable;
  const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
  if (offset > total) return droven::kOffsetOutside;
  LARGE_INTEGER start;
  start.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) return droven::kSourceUnreadable;

  data.resize(static_cast<std::size_t>(total - offset));
  std::size_t done = 0;
  while (done < data.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    DWORD read = 0;
    if (!::ReadFile(file.Get(), data.data() + done, chunk, &read, nullptr) || read == 0)
      return droven::kSourceUnreadable;
    done += read;
  }
  return droven::kOk;
}

droven::Result WriteReplacing(const std::wstring& path, const std::vector<std::uint8_t>& data) {
  wchar_t temporary[MAX_PATH];
  if (GetTempFileNameW(DirectoryOf(path).c_str(), L"drv", 0, temporary) == 0)
    return droven::kDestinationFailed;
  Handle file(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  const bool written = file.Valid() && WriteAll(file.Get(), data);
  file.Close();
  if (!written || !MoveFileExW(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temporary);
    return droven::kDestinationFailed;
  }
  return droven::kOk;
}

}  // namespace droven::windows
