#include "catalog/bIdentify.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {
constexpr const char* kSource = "IdentifyGame";
}

std::string ReadRomSerial(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::exists(path, error))
    throw Failure(kErrFileNotFound, "File not found: '" + path + "'", kSource);
  std::ifstream rom(path, std::ios::binary);
  if (!rom || std::filesystem::is_directory(path, error)) {
    throw Failure(kErrPathAccess,
                  "Path/File access error: '" + path + "' (" + std::strerror(errno) + ")", kSource);
  }
  std::string serial(kSerialLength, '\0');
  if (rom.seekg(kSerialOffset) && rom.read(serial.data(), serial.size())) return serial;
  // A short file leaves the rest NUL; any other failure is an access error.
  if (!rom.eof() && rom.bad()) {
    throw Failure(kErrPathAccess, "Path/File access error: could not read '" + path + "'", kSource);
  }
  return serial;
}

bool SerialMatches(const std::string& serial, const std::string& id) {
  return id.size() <= serial.size() && serial.compare(0, id.size(), id) == 0;
}

bool SeekGameBySerial(TableView& games, const std::string& serial) {
  games.MoveFirst();
  for (std::int32_t row = 0; row < games.RecordCount(); ++row) {
    if (SerialMatches(serial, games.Text("ID"))) return true;
    games.MoveNext();
  }
  return false;
}

std::optional<GameIdentity> IdentifyGame() {
  auto& g = G();
  std::string serial = ReadRomSerial(g.RomPath);
  if (!g.GamesTable) {
    throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", kSource);
  }
  if (!SeekGameBySerial(*g.GamesTable, serial)) return std::nullopt;

  OpenGameDatabase(g.GamesTable->Text("Database"));
  TableView& nfo = GameTableView(kNfo);
  GameIdentity identity;
  identity.Name = nfo.Text("Name");
  identity.PaletteOffset = nfo.Long("Palette");
  return identity;
}

}  // namespace kerrow
