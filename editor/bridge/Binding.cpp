#include "bridge/Binding.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "shell/Failure.h"

namespace kerrow {

namespace {

constexpr const char* kBindingSource = "kerrow";

std::string& SearchDirectoryOverride() {
  static std::string directory;
  return directory;
}

std::string ProgramDirectory() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return std::filesystem::path(buffer).parent_path().string();
#else
  std::error_code error;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.parent_path().string();
#endif
}

// Loads `fileName`, from `directory` when it is there, else by the system's
// search order. Returns the handle, or nullptr with `why` set.
void* LoadLibraryFile(const std::string& directory, const std::string& fileName, bool& found,
                      std::string& why) {
  std::filesystem::path local = std::filesystem::path(directory) / fileName;
  std::error_code error;
  bool isLocal = !directory.empty() && std::filesystem::exists(local, error);
#ifdef _WIN32
  HMODULE module = LoadLibraryW(isLocal ? local.wstring().c_str()
                                        : std::filesystem::path(fileName).wstring().c_str());
  found = isLocal || module != nullptr || GetLastError() != ERROR_MOD_NOT_FOUND;
  if (!module) why = "error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(module);
#else
  void* handle = dlopen(isLocal ? local.c_str() : fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* message = dlerror();
    why = message ? message : "unknown error";
    found = isLocal || why.find("No such file") == std::string::npos;
  } else {
    found = true;
  }
  return handle;
#endif
}

void* LookUp(void* library, const std::string& entry) {
#ifdef _WIN32
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(library), entry.c_str()));
#else
  return dlsym(library, entry.c_str());
#endif
}

}  // namespace

std::string LibraryFileName(const std::string& library) {
#ifdef _WIN32
  return library + ".dll";
#else
  return "lib" + library + ".so";
#endif
}

std::string BindingSearchDirectory() {
  const std::string& chosen = SearchDirectoryOverride();
  return chosen.empty() ? ProgramDirectory() : chosen;
}

void SetBindingSearchDirectory(const std::string& directory) {
  SearchDirectoryOverride() = directory;
}

LibraryBinding::LibraryBinding(std::string library, std::string entry)
    : fileName_(LibraryFileName(library)), entry_(std::move(entry)) {}

void* LibraryBinding::Address() {
  if (address_) return address_;
  bool found = false;
  std::string why;
  // The handle stays loaded until the process ends, as the binding does.
  void* library = LoadLibraryFile(BindingSearchDirectory(), fileName_, found, why);
  if (!library) {
    if (!found) throw Failure(kErrFileNotFound, "File not found: " + fileName_, kBindingSource);
    throw Failure(kErrLoadingLibrary, "Error in loading DLL " + fileName_ + ": " + why,
                  kBindingSource);
  }
  void* address = LookUp(library, entry_);
  if (!address)
    throw Failure(kErrEntryPoint, "Can't find DLL entry point " + entry_ + " in " + fileName_,
                  kBindingSource);
  address_ = address;
  return address_;
}

LibraryBinding& Binding(BoundLibrary library, BoundEntry entry) {
  static std::array<LibraryBinding, 6> bindings = {
      LibraryBinding("Vantor", "Decomp"), LibraryBinding("Vantor", "Comp"),
      LibraryBinding("Gellis", "Decomp"), LibraryBinding("Gellis", "Comp"),
      LibraryBinding("Droven", "Decomp"), LibraryBinding("Droven", "Comp")};
  return bindings[static_cast<std::size_t>(library) * 2 + static_cast<std::size_t>(entry)];
}

void ResetBindings() {
  for (auto library : {BoundLibrary::Vantor, BoundLibrary::Gellis, BoundLibrary::Droven})
    for (auto entry : {BoundEntry::Decomp, BoundEntry::Comp}) Binding(library, entry).Reset();
}

}  // namespace kerrow
