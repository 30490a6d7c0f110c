// The editor's compression bridge as compiled for 32-bit Windows, run under
// Wine against the stand-in Vantor.dll beside it: binding by name, a sprite's
// stream decompressed into "dump.bin" and compressed back into "dumpc.bin",
// and the failure results.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bridge/Binding.h"
#include "bridge/TempFiles.h"
#include "bridge/VantorCalls.h"
#include "shell/Failure.h"

namespace {

using Bytes = std::vector<unsigned char>;
namespace fs = std::filesystem;

int failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++failures;
}

void Store(const fs::path& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes Load(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The temporary files, in the private directory as the editor keeps them.
std::string Dump() { return kerrow::TempFilePath("dump.bin"); }
std::string DumpC() { return kerrow::TempFilePath("dumpc.bin"); }

Bytes Text(const char* s) {
  return Bytes(s, s + std::char_traits<char>::length(s));
}

// The number of the failure `action` raises, 0 when it raises none.
template <typename Action>
std::int32_t FailureOf(Action action, std::string& description) {
  try {
    action();
  } catch (const kerrow::Failure& failure) {
    description = failure.Description();
    return failure.Number();
  }
  return 0;
}

void CheckBinding() {
  kerrow::LibraryBinding& decomp =
      kerrow::Binding(kerrow::BoundLibrary::Vantor, kerrow::BoundEntry::Decomp);
  Check(decomp.FileName() == "Vantor.dll" && !decomp.Resolved(),
        "Decomp of Vantor.dll starts unresolved");
  Check(decomp.Address() != nullptr && decomp.Resolved(), "Decomp resolves by name");
  Check(!kerrow::Binding(kerrow::BoundLibrary::Gellis, kerrow::BoundEntry::Decomp).Resolved(),
        "Gellis.dll is never bound");

  std::string text;
  kerrow::LibraryBinding absent("KerrowAbsent", "Decomp");
  std::int32_t number = FailureOf([&] { absent.Address(); }, text);
  Check(number == kerrow::kErrFileNotFound && text == "File not found: KerrowAbsent.dll",
        "a missing library is failure 53: " + text);
  kerrow::LibraryBinding noEntry("Vantor", "Compress");
  number = FailureOf([&] { noEntry.Address(); }, text);
  Check(number == kerrow::kErrEntryPoint &&
            text == "Can't find DLL entry point Compress in Vantor.dll",
        "a missing entry point is failure 453: " + text);
}

// The stack pointer just before and just after one call through the entry
// types the bridge declares. They differ when the declared convention is not
// the library's: then one side or the other removes the arguments twice or
// never. (Code around a call often restores the stack from a frame register,
// which hides such a fault until a compiler or option changes.)
void CheckCallingConvention() {
  auto comp = reinterpret_cast<kerrow::CompEntry>(
      kerrow::Binding(kerrow::BoundLibrary::Vantor, kerrow::BoundEntry::Comp).Address());
  auto decomp = reinterpret_cast<kerrow::DecompEntry>(
      kerrow::Binding(kerrow::BoundLibrary::Vantor, kerrow::BoundEntry::Decomp).Address());
  VARIANT none;
  VariantInit(&none);  // not a string: both entries return -1 at once
  std::uintptr_t before = 0, after = 0;
  asm volatile("mov %%esp, %0" : "=r"(before) : : "memory");
  const std::int32_t compResult = comp(none, none);
  asm volatile("mov %%esp, %0" : "=r"(after) : : "memory");
  Check(compResult == -1 && before == after,
        "Comp keeps the stack (moved by " + std::to_string(static_cast<long>(after - before)) + ")");
  asm volatile("mov %%esp, %0" : "=r"(before) : : "memory");
  const std::int32_t decompResult = decomp(none, none, 0);
  asm volatile("mov %%esp, %0" : "=r"(after) : : "memory");
  Check(decompResult == -1 && before == after,
        "Decomp keeps the stack (moved by " + std::to_string(static_cast<long>(after - before)) +
            ")");
}

// Streams written by hand from the format's rules, so Comp is checked against
// something other than itself.
void CheckKnownStreams() {
  struct Example {
    const char* name;
    Bytes input;
    Bytes stream;
  };
  const Example examples[] = {
      {"abc", Text("abc"), {0x17, 0x00, 0x61, 0x62, 0x63, 0x00, 0xF0, 0x00}},
      {"ABABABABAB", Text("ABABABABAB"), {0x2B, 0x00, 0x41, 0x42, 0xFE, 0xFE, 0x00, 0xF0, 0x00}},
      {"twenty a", Bytes(20, 0x61), {0x15, 0x00, 0x61, 0xFF, 0xF8, 0x12, 0x00, 0xF0, 0x00}},
  };
  for (const Example& e : examples) {
    Store(Dump(), e.input);
    Check(kerrow::VantorComp(Dump(), DumpC()) == 0 && Load(DumpC()) == e.stream,
          std::string("Comp writes the stream of ") + e.name);
    Store("stream.bin", e.stream);
    Check(kerrow::VantorDecomp("stream.bin", Dump(), 0) == 0 && Load(Dump()) == e.input,
          std::string("Decomp restores ") + e.name);
  }
}

// Sixteen 4bpp tiles with runs and repeats, as a sprite's data looks.
Bytes SpriteTiles() {
  Bytes tiles;
  for (int tile = 0; tile < 16; ++tile)
    for (int row = 0; row < 8; ++row)
      for (int pair = 0; pair < 4; ++pair)
        tiles.push_back(static_cast<unsigned char>(((tile + row) % 5) * 0x11 + (pair == 3 ? 1 : 0)));
  return tiles;
}

void CheckSpriteRoundTrip() {
  const Bytes tiles = SpriteTiles();
  Store("tiles.bin", tiles);
  Check(kerrow::VantorComp("tiles.bin", "packed.bin") == 0, "Comp of a sprite's tiles");
  const Bytes packed = Load("packed.bin");

  // The stream at offset 1000 of a ROM image, with other data around it.
  Bytes rom;
  rom.reserve(1000 + packed.size() + 300);
  rom.resize(1000, 0xAA);
  std::copy(packed.begin(), packed.end(), std::back_inserter(rom));
  rom.resize(rom.size() + 300, 0x55);
  Store("rom.bin", rom);

  // Called many times: a caller that got the calling convention wrong loses
  // the arguments' bytes of stack at every call and soon fails or crashes.
  bool same = true;
  for (int i = 0; i < 200 && same; ++i) {
    same = kerrow::VantorDecomp("rom.bin", Dump(), 1000) == 0 && Load(Dump()) == tiles &&
           kerrow::VantorComp(Dump(), DumpC()) == 0 && Load(DumpC()) == packed;
  }
  Check(same, "200 times: the sprite's stream into dump.bin and back into dumpc.bin, byte for byte");
  Check(Load("rom.bin") == rom, "the ROM image is only read");

  // A path outside Latin-1 reaches the library as UTF-16, unchanged.
  const std::string wide = "\xC5\x90-dump.bin";  // U+0150 in UTF-8
  Check(kerrow::VantorDecomp("rom.bin", wide, 1000) == 0 &&
            Load(fs::path(u8"\u0150-dump.bin")) == tiles && !fs::exists("P-dump.bin"),
        "Decomp into a file name outside Latin-1");
}

void CheckFailures() {
  const Bytes keep = Text("keep me");
  Store(Dump(), keep);
  Check(kerrow::VantorDecomp("missing.bin", Dump(), 0) == -1, "Decomp of a missing source is -1");
  Store("truncated.bin", {0x17, 0x00, 0x61, 0x62});
  Check(kerrow::VantorDecomp("truncated.bin", Dump(), 0) == -1,
        "Decomp of a truncated stream is -1");
  Check(kerrow::VantorDecomp("rom.bin", Dump(), 1 << 30) == -1,
        "Decomp at an offset past the end is -1");
  Check(kerrow::VantorDecomp("rom.bin", Dump(), -1) == -1, "Decomp at a negative offset is -1");
  Check(Load(Dump()) == keep, "failed Decomps leave dump.bin as it was");

  Store(DumpC(), keep);
  Check(kerrow::VantorComp("missing.bin", DumpC()) == -1 && Load(DumpC()) == keep,
        "Comp of a missing source is -1 and leaves dumpc.bin as it was");
  Check(kerrow::VantorComp("tiles.bin", "no\\such\\dir\\dumpc.bin") == -1,
        "Comp into a missing directory is -1");
}

}  // namespace

// The private directory's Windows branch: created in the user's temporary
// folder on first use, removed with its files; the working directory, where a
// user's own dump.bin lives, is never touched.
void CheckTempDirectory(const Bytes& usersDump) {
  const fs::path directory = kerrow::TempDirectory();
  // Compared as text, with a trailing separator on both sides.
  auto same = [](const fs::path& a, const fs::path& b) {
    return (a / "").lexically_normal() == (b / "").lexically_normal();
  };
  Check(kerrow::HasTempDirectory() && fs::is_directory(directory) &&
            same(directory.parent_path(), fs::temp_directory_path()),
        "the private directory lies in the temporary folder: " + directory.string());
  Check(fs::path(Dump()) == directory / "dump.bin", "dump.bin lies in it");
  Check(!same(directory, fs::current_path()), "it is not the working directory");
  kerrow::RemoveTempDirectory();
  Check(!fs::exists(directory) && !kerrow::HasTempDirectory(),
        "removing it takes it and its files away");
  Check(Load("dump.bin") == usersDump, "the user's own dump.bin is untouched");
}

int main() {
  // A user's file of the temporary file's name in the working directory.
  const Bytes usersDump = Text("the user's cartridge");
  Store("dump.bin", usersDump);
  // Vantor.dll lies beside this program, where the binding looks first.
  CheckBinding();
  CheckCallingConvention();
  CheckKnownStreams();
  CheckSpriteRoundTrip();
  CheckFailures();
  CheckTempDirectory(usersDump);
  std::printf("%d failure(s)\n", failures);
  return failures == 0 ? 0 : 1;
}
