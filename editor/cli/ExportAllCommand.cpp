// kerrow-cli export-all ROM DIR: every sprite of the game as an indexed PNG.
#include <cctype>
#include <filesystem>
#include <iostream>
#include <set>
#include <vector>

#include "art/ArtCommands.h"
#include "cli/ArtSubcommands.h"
#include "cli/CliSession.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow::cli {

namespace {

namespace fs = std::filesystem;

// Letters, digits, '-', '_' and '.' stay; anything else becomes '_', so that a
// catalog name can never leave the directory or name a hidden file.
std::string SafeFileName(const std::string& name) {
  std::string safe;
  for (unsigned char c : name) {
    const bool keep = std::isalnum(c) || c == '-' || c == '_' || c == '.';
    safe += keep && c < 0x80 ? static_cast<char>(c) : '_';
  }
  if (safe.empty() || safe.front() == '.') safe.insert(safe.begin(), '_');
  return safe;
}

// A file name not yet used in this run (names that differ only in unsafe
// characters or letter case get a number).
std::string UniqueFileName(const std::string& name, std::set<std::string>& used) {
  const std::string base = SafeFileName(name);
  std::string candidate = base + ".png";
  for (int n = 2;; ++n) {
    std::string folded = candidate;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (used.insert(folded).second) return candidate;
    candidate = base + "-" + std::to_string(n) + ".png";
  }
}

std::vector<std::string> Names(GameTable which) {
  std::vector<std::string> names;
  TableView& table = GameTableView(which);
  for (table.MoveFirst(); !table.Eof(); table.MoveNext()) names.push_back(table.Text("Name"));
  return names;
}

int RunExportAll(const CliContext& context, std::span<const std::string> args) {
  if (args.size() != 2)
    return CliSession::Fail(kExitUsage, "usage: kerrow-cli export-all ROM DIR");
  CliSession session(context);
  if (int status = session.OpenRom(args[0]); status != kExitOk) return status;
  const fs::path directory = session.Absolute(args[1]);
  std::error_code error;
  fs::create_directories(directory, error);
  if (!fs::is_directory(directory, error))
    return CliSession::Fail(kExitWriteFailed, "cannot create the directory " + directory.string());

  std::vector<std::string> plain, compressed;
  try {
    plain = Names(kSprite);
    compressed = Names(kCompressed);
  } catch (const Failure& failure) {
    return CliSession::Fail(kExitCatalog, "cannot read the game's sprites: " +
                                              failure.Description());
  }
  int status = kExitOk;
  int written = 0;
  std::set<std::string> used;
  auto exportAll = [&](const std::vector<std::string>& names, SpriteKind kind) {
    for (const std::string& name : names) {
      const fs::path out = directory / UniqueFileName(name, used);
      if (session.LoadSprite(name, kind) != kExitOk) {
        if (status == kExitOk) status = kExitSpriteLoad;
        continue;
      }
      if (!ExportSprite(out.string())) {
        if (status == kExitOk) status = kExitWriteFailed;
        continue;
      }
      std::cout << name << '\t' << out.string() << '\n';
      ++written;
    }
  };
  exportAll(plain, SpriteKind::Plain);
  exportAll(compressed, SpriteKind::Compressed);
  std::cout << written << " of " << plain.size() + compressed.size() << " sprites written\n";
  return status;
}

}  // namespace

CliCommand ExportAllCommand() {
  return {"export-all", "ROM DIR",
          "writes every sprite of the game as DIR/NAME.png (names made safe for files); "
          "compressed sprites are decompressed as the editor does",
          RunExportAll};
}

}  // namespace kerrow::cli
