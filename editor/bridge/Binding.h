// Entry points of the compression libraries, bound by library file name and
// entry name, resolved on first call and kept until the process ends.
#pragma once

#include <string>

namespace kerrow {

class LibraryBinding {
 public:
  // `library` is the base name ("Vantor"): libVantor.so on Linux, Vantor.dll on Windows.
  LibraryBinding(std::string library, std::string entry);

  // The entry's address; resolves it first if needed. The program's own
  // directory is searched first, then the system's order. Failures: 53 when the
  // library is nowhere, 48 when it cannot be loaded, 453 when the entry is missing.
  void* Address();
  bool Resolved() const { return address_ != nullptr; }

  // Forgets the resolved address (tests), or forces one.
  void Reset() { address_ = nullptr; }
  void Override(void* address) { address_ = address; }

  const std::string& FileName() const { return fileName_; }
  const std::string& Entry() const { return entry_; }

 private:
  std::string fileName_;
  std::string entry_;
  void* address_ = nullptr;
};

// The platform's file name for a library base name.
std::string LibraryFileName(const std::string& library);

// The directory searched before the system's order: the program's own, unless
// a test chose another ("" restores the program's).
std::string BindingSearchDirectory();
void SetBindingSearchDirectory(const std::string& directory);

// The six bindings of the editor; only Vantor's are ever called.
enum class BoundLibrary { Vantor, Gellis, Droven };
enum class BoundEntry { Decomp, Comp };
LibraryBinding& Binding(BoundLibrary library, BoundEntry entry);
// Unresolves all six (tests).
void ResetBindings();

}  // namespace kerrow
