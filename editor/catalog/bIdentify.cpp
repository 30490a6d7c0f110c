#include "catalog/bIdentify.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "graphics/BinaryFile.h"
#include "graphics/RegularFile.h"
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
  const OpenedFile opened = OpenRegularFile(path, O_RDONLY);
  if (!opened.NotRegular.empty())
    throw Failure(kErrPathAccess, "Path/File access error: " + NotRegularMessage(path, opened),
                  kSource);
  if (opened.Fd < 0)
    throw Failure(kErrPathAccess,
                  "Path/File access error: '" + path + "' (" + std::strerror(opened.Error) + ")",
                  kSource);
  struct CloseOnReturn {
    int fd;
    ~CloseOnReturn() { ::close(fd); }
  } closer{opened.Fd};
  // A short file leaves the rest NUL; any other failure is an access error.
  std::string serial(kSerialLength, '\0');
  std::size_t done = 0;
  while (done < serial.size()) {
    const ssize_t got = ::pread(opened.Fd, serial.data() + done, serial.size() - done,
                                static_cast<off_t>(kSerialOffset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0)
      throw Failure(kErrPathAccess, "Path/File access error: could not read '" + path + "'",
                    kSource);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
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

RomIdentification IdentifyRom(TableView& games, const std::string& path,
                              const std::string& dataPath) {
  const std::string serial = ReadRomSerial(path);
  // Read as every ROM is: a regular file only, checked on the open descriptor.
  const std::vector<std::uint8_t> image = BinaryFile::OpenForReading(path).ReadAll();
  return IdentifyRomImage(games, serial, image, dataPath);
}

std::optional<GameIdentity> IdentifyGame() {
  auto& g = G();
  ReadRomSerial(g.RomPath);
  if (!g.GamesTable) {
    throw Failure(kErrObjectNotSet, "Object variable or With block variable not set", kSource);
  }
  if (!IdentifyRom(*g.GamesTable, g.RomPath, g.DataPath).Chosen) return std::nullopt;

  OpenGameDatabase(g.GamesTable->Text("Database"));
  TableView& nfo = GameTableView(kNfo);
  GameIdentity identity;
  identity.Name = nfo.Text("Name");
  identity.PaletteOffset = nfo.Long("Palette");
  return identity;
}

}  // namespace kerrow
