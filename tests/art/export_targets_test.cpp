// Where exports may write: on a full disk the target stays exactly as it was
// and the command says why; no export replaces a file the command reads (the
// ROM, the catalog, the source image) or a special file.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QImage>
#include <cstring>
#include <filesystem>

#include "CliRunner.h"
#include "TestSupport.h"
#include "art/ArtCommands.h"
#include "browser/HeadlessLoad.h"
#include "catalog/bIdentify.h"
#include "cli/CliCommand.h"
#include "editing/bPal.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using test::ReadBytes;

class ExportTargets : public ::testing::Test {
 protected:
  ExportTargets() {
    // A catalog of our own: a failed guard must not destroy the build's.
    fs::create_directory(data());
    for (const char* name : {"game.mdb", "demo.mdb", "demo.bin"})
      fs::copy_file(test::ArtBinDir() + "/" + name, data() + "/" + name);
    fs::copy(test::ArtBinDir() + "/games", data() + "/games", fs::copy_options::recursive);
    rom = data() + "/demo.bin";
  }
  ~ExportTargets() override { ResetGlobals(); }

  std::string data() const { return dir.File("data"); }
  int Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", data()});
    return test::RunCliCapturing(args, out, err);
  }
  long ErrorLines() const { return std::count(err.begin(), err.end(), '\n'); }

  test::ScratchDir dir;
  std::string rom;
  std::string out, err;
};

// Every export command, writing onto `target` (of the right extension).
std::vector<std::vector<std::string>> ExportsOnto(const std::string& rom, const std::string& png,
                                                  const std::string& palette) {
  return {{"export", rom, "Knight", png},
          {"palette", "export", rom, palette},
          {"palette", "export", rom, "Potion", palette}};
}

TEST_F(ExportTargets, CatalogFilesAndTheRomAreNeverReplacedByNameOrThroughALink) {
  const std::string catalog = data() + "/game.mdb";
  const std::string game = data() + "/demo.mdb";
  fs::create_symlink(catalog, dir.File("catalog-link.png"));
  fs::create_hard_link(game, dir.File("game-hardlink.pal"));
  fs::create_symlink(rom, dir.File("rom-link.gpl"));
  const Bytes catalogBefore = ReadBytes(catalog), gameBefore = ReadBytes(game),
              romBefore = ReadBytes(rom);
  for (const std::string& target : {catalog, game, dir.File("catalog-link.png"),
                                    dir.File("game-hardlink.pal"), dir.File("rom-link.gpl")}) {
    for (const auto& args : ExportsOnto(rom, target, target)) {
      SCOPED_TRACE(args[0] + " onto " + target);
      EXPECT_EQ(Cli(args), cli::kExitWriteFailed) << out;
      EXPECT_EQ(ErrorLines(), 1) << err;
      EXPECT_NE(err.find("an export never replaces it"), std::string::npos) << err;
    }
  }
  EXPECT_EQ(ReadBytes(catalog), catalogBefore);
  EXPECT_EQ(ReadBytes(game), gameBefore);
  EXPECT_EQ(ReadBytes(rom), romBefore);
  EXPECT_TRUE(fs::is_symlink(dir.File("catalog-link.png")));
  // The catalog still opens.
  EXPECT_EQ(Cli({"list", rom}), 0) << err;
}

TEST_F(ExportTargets, DevicesFifosAndSocketsAreRefusedAndStayWhatTheyAre) {
  // A device node of our own (like /dev/null), so that a fault here cannot
  // replace the system's.
  const std::string device = dir.File("null.png");
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
    GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
  const std::string fifo = dir.File("pipe.pal");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = dir.File("socket.png");
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  for (const auto& [target, kind] : {std::pair{fifo, "FIFO"}, {socketPath, "socket"},
                                     {device, "device"}}) {
    for (const auto& args : ExportsOnto(rom, target, target)) {
      SCOPED_TRACE(args[0] + " onto " + target);
      EXPECT_EQ(Cli(args), cli::kExitWriteFailed) << out;
      EXPECT_EQ(ErrorLines(), 1) << err;
      EXPECT_NE(err.find(kind), std::string::npos) << err;
    }
  }
  struct stat info {};
  EXPECT_TRUE(::stat(fifo.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
  EXPECT_TRUE(::stat(socketPath.c_str(), &info) == 0 && S_ISSOCK(info.st_mode));
  EXPECT_TRUE(::stat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode));
  ::close(listener);
}

TEST_F(ExportTargets, AnExportNeverReplacesTheImageOrPaletteFileItsCommandRead) {
  ASSERT_EQ(Cli({"export", rom, "Knight", dir.File("knight.png")}), 0) << err;
  ASSERT_EQ(Cli({"palette", "export", rom, dir.File("colours.pal")}), 0) << err;
  test::CoreFixtureGuard guard;
  G().DataPath = data() + "/";
  OpenCatalog();
  G().RomPath = rom;
  const auto game = IdentifyGame();
  ASSERT_TRUE(game);
  LoadPalette(rom, game->PaletteOffset);
  ASSERT_TRUE(LoadSpriteByName("Knight", FindSpriteByName("Knight")));
  const Bytes image = ReadBytes(dir.File("knight.png")), palette = ReadBytes(dir.File("colours.pal"));

  ForgetSourcesRead();
  ASSERT_TRUE(ImportSprite(dir.File("knight.png"), ImageColoursChoice::Keep, nullptr));
  ASSERT_TRUE(ImportPaletteFile(dir.File("colours.pal"), nullptr));
  EXPECT_FALSE(ExportSprite(dir.File("knight.png")));
  EXPECT_FALSE(ExportPaletteFile(dir.File("colours.pal")));
  EXPECT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(ReadBytes(dir.File("knight.png")), image);
  EXPECT_EQ(ReadBytes(dir.File("colours.pal")), palette);
  // A later command read nothing: the same files are its to write.
  ForgetSourcesRead();
  EXPECT_TRUE(ExportSprite(dir.File("knight.png")));
  EXPECT_TRUE(ExportPaletteFile(dir.File("colours.pal")));
}

// A 1 MiB tmpfs (room for a copy of the demo ROM), filled up once the
// targets exist.
class FullDisk : public ExportTargets {
 protected:
  void SetUp() override {
    fs::create_directory(disk());
    if (::mount("tmpfs", disk().c_str(), "tmpfs", 0, "size=1m") != 0)
      GTEST_SKIP() << "cannot mount a small tmpfs to fill: " << std::strerror(errno);
    mounted = true;
  }
  ~FullDisk() override {
    if (mounted) ::umount2(disk().c_str(), MNT_DETACH);
  }
  std::string disk() const { return dir.File("disk"); }
  void Fill() {
    std::FILE* file = std::fopen((disk() + "/filler").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::vector<char> block(4096, 'x');
    while (std::fwrite(block.data(), 1, block.size(), file) == block.size()) {
    }
    std::fclose(file);
  }
  // Every file of the disk but the filler, with its bytes.
  std::map<std::string, Bytes> Files() const {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(disk()))
      if (entry.is_regular_file() && entry.path().filename() != "filler")
        files[entry.path().string()] = ReadBytes(entry.path().string());
    return files;
  }
  bool mounted = false;
};

TEST_F(FullDisk, ExportsFailWithTheReasonAndLeaveTheirTargetsAsTheyWere) {
  const std::string png = disk() + "/k.png";
  fs::create_directory(disk() + "/all");
  for (const std::string& name : {png, disk() + "/all/Knight.png", disk() + "/p.pal",
                                  disk() + "/p.gpl", disk() + "/p.bin"})
    test::WriteBytes(name, Bytes(100, 0x5A));
  Fill();
  const auto before = Files();
  std::vector<std::vector<std::string>> commands = {{"export-all", rom, disk() + "/all"}};
  for (const char* extension : {".pal", ".gpl", ".bin"})
    for (auto& args : ExportsOnto(rom, png, disk() + "/p" + extension)) commands.push_back(args);
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0] + " " + args.back());
    EXPECT_EQ(Cli(args), cli::kExitWriteFailed) << out;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    EXPECT_NE(err.find(disk()), std::string::npos) << err;
    EXPECT_TRUE(Files() == before) << "a target changed, or a half-written file was left";
  }
}

TEST_F(FullDisk, ASaveThatCannotKeepItsJournalWritesNothing) {
  const std::string copy = disk() + "/rom.bin";
  fs::copy_file(rom, copy);
  ASSERT_EQ(Cli({"export", rom, "Knight", dir.File("knight.png")}), 0) << err;
  QImage image(QString::fromStdString(dir.File("knight.png")));
  image.setPixel(0, 0, (image.pixelIndex(0, 0) + 1) % 16);
  ASSERT_TRUE(image.save(QString::fromStdString(dir.File("edited.png"))));
  Fill();
  const Bytes before = ReadBytes(copy);
  EXPECT_EQ(Cli({"import", copy, "Knight", dir.File("edited.png")}), cli::kExitSaveRefused) << out;
  EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
  EXPECT_EQ(ReadBytes(copy), before);
  EXPECT_EQ(Files().size(), 1u) << "a journal was left behind";
}

}  // namespace
}  // namespace kerrow
