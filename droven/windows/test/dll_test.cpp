// Loads Droven.dll the way a Windows caller does (by name, entry points by
// their plain names) and checks its results and files. Runs under Wine.
// windows.h first: oleauto.h relies on it.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using CompFn = std::int32_t(__stdcall*)(VARIANT, VARIANT, std::int32_t);
using DecompFn = std::int32_t(__stdcall*)(VARIANT, VARIANT, std::int32_t, std::int32_t);
using BoundFn = std::size_t(__stdcall*)(std::size_t, int);
using BufferFn = int(__stdcall*)(const void*, std::size_t, void*, std::size_t, std::size_t*, int);
using VersionFn = const char*(__stdcall*)();

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

// A string variant whose BSTR lives as long as the object; the callee gets a copy
// of the VARIANT by value, the string itself stays ours.
class PathArg {
 public:
  explicit PathArg(const std::wstring& path) {
    VariantInit(&value_);
    value_.vt = VT_BSTR;
    value_.bstrVal = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
  }
  ~PathArg() { VariantClear(&value_); }
  PathArg(const PathArg&) = delete;
  PathArg& operator=(const PathArg&) = delete;
  const VARIANT& Get() const { return value_; }

 private:
  VARIANT value_;
};

void Store(const std::wstring& path, const Bytes& data) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return;
  if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Bytes Load(const std::wstring& path) {
  Bytes data;
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return data;
  unsigned char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    data.insert(data.end(), buffer, buffer + n);
  std::fclose(f);
  return data;
}

Bytes Text(const char* s) {
  return Bytes(s, s + std::char_traits<char>::length(s));
}

// Deterministic data with some repetition, so that copies of every form occur.
Bytes Mixed(std::size_t size, std::uint32_t seed) {
  Bytes data;
  data.reserve(size);
  while (data.size() < size) {
    seed = seed * 1103515245u + 12345u;
    unsigned kind = (seed >> 16) % 4;
    if (kind == 0 && data.size() > 300) {
      std::size_t distance = 1 + (seed >> 8) % 300, length = 2 + (seed >> 4) % 40;
      for (std::size_t i = 0; i < length && data.size() < size; ++i)
        data.push_back(data[data.size() - distance]);
    } else {
      data.push_back(static_cast<unsigned char>(seed >> 24));
    }
  }
  return data;
}

struct Library {
  CompFn comp = nullptr;
  DecompFn decomp = nullptr;

  std::int32_t Comp(const std::wstring& from, const std::wstring& to, std::int32_t module) const {
    PathArg a(from), b(to);
    return comp(a.Get(), b.Get(), module);
  }
  std::int32_t Decomp(const std::wstring& from, const std::wstring& to, std::int32_t offset,
                      std::int32_t module) const {
    PathArg a(from), b(to);
    return decomp(a.Get(), b.Get(), offset, module);
  }
};

void CheckWorkedExamples(const Library& lib) {
  struct Example {
    const char* name;
    Bytes input;
    std::int32_t module;
    Bytes stream;
  };
  const Example examples[] = {
      {"abc plain", Text("abc"), 0, {0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00}},
      {"ABABABABAB", Text("ABABABABAB"), 0, {0x2B, 0x00, 0x41, 0x42, 0xFE, 0xFE, 0x00, 0xF0, 0x00}},
      {"twenty a", Bytes(20, 0x61), 0, {0x15, 0x00, 0x61, 0xFF, 0xF8, 0x12, 0x00, 0xF0, 0x00}},
      {"abc module", Text("abc"), 1, {0x00, 0x03, 0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00}},
      {"one byte", Text("Q"), 0, {0x05, 0x00, 0x51, 0x00, 0xF0, 0x00}},
      {"nearest match",
       Text("abcXabcYabc"),
       0,
       {0x8F, 0x51, 0x61, 0x62, 0x63, 0x58, 0xFC, 0x59, 0xFC, 0x00, 0xF0, 0x00}},
      // Only the low 8 bits of the module flag count.
      {"module flag 0x100 is plain",
       Text("abc"),
       0x100,
       {0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00}},
  };
  for (const Example& e : examples) {
    Store(L"in.bin", e.input);
    std::int32_t result = lib.Comp(L"in.bin", L"out.bin", e.module);
    Check(result == 0 && Load(L"out.bin") == e.stream,
          std::string("Comp writes the stream for ") + e.name);
    Store(L"stream.bin", e.stream);
    result = lib.Decomp(L"stream.bin", L"back.bin", 0, e.module);
    Check(result == 0 && Load(L"back.bin") == e.input, std::string("Decomp restores ") + e.name);
  }
}

void CheckRoundTripsAndOffsets(const Library& lib) {
  const Bytes data = Mixed(100000, 7);
  Store(L"mixed.bin", data);
  Check(lib.Comp(L"mixed.bin", L"mixed.dro", 0) == 0, "Comp of 100000 mixed bytes succeeds");
  Check(lib.Decomp(L"mixed.dro", L"mixed.out", 0, 0) == 0 && Load(L"mixed.out") == data,
        "plain round trip of 100000 mixed bytes");

  const Bytes full = Mixed(65535, 11);
  Store(L"full.bin", full);
  Check(lib.Comp(L"full.bin", L"full.dro", 1) == 0, "Comp in module mode of 65535 bytes succeeds");
  const Bytes stream = Load(L"full.dro");
  Check(stream.size() > 2 && stream[0] == 0xFF && stream[1] == 0xFF, "module header holds 65535");

  // The stream embedded at an offset of a larger file, as in a ROM image.
  Bytes rom;
  rom.reserve(1000 + stream.size() + 500);
  rom.resize(1000, 0xAA);
  std::copy(stream.begin(), stream.end(), std::back_inserter(rom));
  rom.resize(rom.size() + 500, 0x55);
  Store(L"rom.bin", rom);
  Check(lib.Decomp(L"rom.bin", L"full.out", 1000, 1) == 0 && Load(L"full.out") == full,
        "Decomp at offset 1000 in module mode restores 65535 bytes");

  // Same file as source and destination: replaced by its compressed form.
  Store(L"same.bin", data);
  Check(lib.Comp(L"same.bin", L"same.bin", 0) == 0 && Load(L"same.bin") == Load(L"mixed.dro"),
        "Comp with source = destination replaces the file by its stream");
}

void CheckFailures(const Library& lib) {
  const Bytes keep = Text("keep me");

  Store(L"big.bin", Bytes(65536, 1));
  Store(L"kept.bin", keep);
  Check(lib.Comp(L"big.bin", L"kept.bin", 1) == 2, "Comp in module mode of 65536 bytes returns 2");
  Check(Load(L"kept.bin") == keep, "result 2 leaves the existing destination as it was");

  Store(L"kept.bin", keep);
  std::int32_t result = lib.Decomp(L"missing.bin", L"kept.bin", 0, 0);
  Check(result != 0 && Load(L"kept.bin") == keep,
        "Decomp of a missing source fails and leaves the destination as it was");
  Check(lib.Comp(L"missing.bin", L"new.bin", 0) != 0 && !Exists(L"new.bin"),
        "Comp of a missing source fails and creates nothing");

  Store(L"truncated.bin", {0x17, 0x00, 0x61, 0x62});
  result = lib.Decomp(L"truncated.bin", L"kept.bin", 0, 0);
  Check(result != 0 && Load(L"kept.bin") == keep, "Decomp of a truncated stream fails");

  // A short copy at distance 256 as the very first item.
  Store(L"reach.bin", {0x00, 0x00, 0x00, 0x00, 0xF0, 0x00});
  Check(lib.Decomp(L"reach.bin", L"kept.bin", 0, 0) != 0 && Load(L"kept.bin") == keep,
        "Decomp of a copy before the start of the output fails");

  Store(L"stream.bin", {0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00});
  Check(lib.Decomp(L"stream.bin", L"kept.bin", 9, 0) != 0,
        "Decomp at an offset past the end fails");
  Check(lib.Decomp(L"stream.bin", L"kept.bin", -1, 0) != 0, "Decomp at a negative offset fails");
  Check(Load(L"kept.bin") == keep, "failed offsets leave the destination as it was");

  // Failing in place must not destroy the user's file.
  Store(L"inplace.bin", keep);
  Check(lib.Decomp(L"inplace.bin", L"inplace.bin", 0, 0) != 0 && Load(L"inplace.bin") == keep,
        "a failing Decomp with source = destination keeps the file");

  const std::wstring longName(260, L'x');
  Check(lib.Comp(L"stream.bin", longName, 0) != 0, "a destination path of 260 characters fails");
  const std::wstring lonelySurrogate = std::wstring(L"bad") + wchar_t(0xD800) + L".bin";
  Check(lib.Comp(L"stream.bin", lonelySurrogate, 0) != 0,
        "a path with an unpaired surrogate fails");
}

void CheckWidePaths(const Library& lib) {
  // U+0150 narrowed to 8 bits would name "P.bin"; the DLL must use the real name.
  const std::wstring wide = std::wstring(1, wchar_t(0x0150)) + L"-wide.bin";
  const Bytes input = Text("abcXabcYabc");
  Store(L"in.bin", input);
  Check(lib.Comp(L"in.bin", wide, 0) == 0 && Exists(wide) && !Exists(L"P-wide.bin"),
        "Comp writes to a non-Latin-1 file name faithfully");
  Check(lib.Decomp(wide, L"wide.out", 0, 0) == 0 && Load(L"wide.out") == input,
        "Decomp reads from a non-Latin-1 file name");
}

template <typename Fn>
Fn Entry(HMODULE dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

// The buffer functions, by their plain names, with the calling convention the
// header gives them.
void CheckBufferFunctions(HMODULE dll) {
  const auto bound = Entry<BoundFn>(dll, "droven_compress_bound");
  const auto compress = Entry<BufferFn>(dll, "droven_compress");
  const auto decompress = Entry<BufferFn>(dll, "droven_decompress");
  const auto version = Entry<VersionFn>(dll, "droven_version_string");
  Check(bound && compress && decompress && version, "the four buffer functions are exported");
  if (!bound || !compress || !decompress || !version) return;
  Check(std::string(version()) == "1.0.0", "droven_version_string gives 1.0.0");

  const Bytes abc = Text("abc");
  Bytes out(64, 0xA5);
  std::size_t size = 0;
  Check(compress(abc.data(), abc.size(), out.data(), out.size(), &size, 1) == 0 &&
            Bytes(out.begin(), out.begin() + size) ==
                Bytes{0x00, 0x03, 0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00},
        "droven_compress writes the module stream of abc");
  Check(compress(abc.data(), abc.size(), out.data(), 9, &size, 1) == 10 && size == 10,
        "droven_compress refuses 9 bytes of room for 10 and says how many it needs");

  const Bytes data = Mixed(60000, 3);
  Bytes packed(bound(data.size(), 0));
  Bytes back(data.size());
  std::size_t packedSize = 0, backSize = 0;
  Check(compress(data.data(), data.size(), packed.data(), packed.size(), &packedSize, 0) == 0 &&
            decompress(packed.data(), packedSize, back.data(), back.size(), &backSize, 0) == 0 &&
            back == data,
        "buffer round trip of 60000 mixed bytes");
  Check(decompress(packed.data(), packedSize - 1, back.data(), back.size(), &backSize, 0) == 7,
        "droven_decompress refuses a cut stream");
  Check(bound(65536, 1) == 0, "droven_compress_bound refuses 65536 bytes in module mode");
}

}  // namespace

int main() {
  HMODULE dll = LoadLibraryW(L"Droven.dll");
  Check(dll != nullptr, "LoadLibrary(\"Droven.dll\")");
  if (!dll) return 1;
  Library lib;
  lib.comp = reinterpret_cast<CompFn>(reinterpret_cast<void*>(GetProcAddress(dll, "Comp")));
  lib.decomp = reinterpret_cast<DecompFn>(reinterpret_cast<void*>(GetProcAddress(dll, "Decomp")));
  Check(lib.comp != nullptr, "GetProcAddress(\"Comp\")");
  Check(lib.decomp != nullptr, "GetProcAddress(\"Decomp\")");
  Check(GetProcAddress(dll, "Comp@12") == nullptr && GetProcAddress(dll, "_Comp@12") == nullptr,
        "no decorated export names");
  if (!lib.comp || !lib.decomp) return 1;

  CheckWorkedExamples(lib);
  CheckRoundTripsAndOffsets(lib);
  CheckFailures(lib);
  CheckWidePaths(lib);
  CheckBufferFunctions(dll);

  FreeLibrary(dll);
  std::printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
