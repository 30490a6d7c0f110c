// Image and palette files that are not what they seem: special files, grey
// PNGs whose transparency chunk makes Qt call them indexed, GIFs whose colour
// table Qt decodes away, and damaged PNGs whose decoder talks on stderr.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <zlib.h>

#include <QImage>
#include <cstdio>
#include <filesystem>

#include "CliRunner.h"
#include "TestSupport.h"
#include "art/ArtCommands.h"
#include "art/SpriteImage.h"
#include "bridge/TempFiles.h"
#include "editing/bPal.h"
#include "shell/bGlobals.h"

namespace kerrow {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void Put32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  Put32(png, static_cast<std::uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
}

// An 8-bit greyscale PNG (colour type 0) of `grey` values, with a transparency
// chunk making `transparent` see-through.
Bytes GreyPngWithTransparency(int width, int height, const std::vector<unsigned char>& grey,
                              unsigned char transparent) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Put32(header, static_cast<std::uint32_t>(width));
  Put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 0, 0, 0, 0});
  Chunk(png, "IHDR", header);
  Chunk(png, "tRNS", {0, transparent});
  Bytes raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // no filter
    raw.insert(raw.end(), grey.begin() + y * width, grey.begin() + (y + 1) * width);
  }
  Bytes packed(compressBound(static_cast<uLong>(raw.size())));
  uLongf size = packed.size();
  compress(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
  packed.resize(size);
  Chunk(png, "IDAT", packed);
  Chunk(png, "IEND", {});
  return png;
}

// A 16-colour GIF of `width` x `height` pixels of index 0. Its table is global,
// or (with `local`) the image's own behind a graphic control extension.
Bytes Gif(const std::vector<QRgb>& table, bool local, int width = 4, int height = 4) {
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  auto put16 = [&](int v) {
    gif.push_back(static_cast<unsigned char>(v & 0xFF));
    gif.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto putTable = [&] {
    for (QRgb c : table) gif.insert(gif.end(), {static_cast<unsigned char>(qRed(c)),
                                                static_cast<unsigned char>(qGreen(c)),
                                                static_cast<unsigned char>(qBlue(c))});
  };
  put16(width);
  put16(height);
  gif.insert(gif.end(), {static_cast<unsigned char>(local ? 0x33 : 0xB3), 0, 0});
  if (!local) putTable();
  if (local) gif.insert(gif.end(), {0x21, 0xF9, 4, 0, 0, 0, 0, 0});
  gif.push_back(0x2C);
  put16(0);
  put16(0);
  put16(width);
  put16(height);
  gif.push_back(local ? 0x83 : 0x00);
  if (local) putTable();
  // LZW with 5-bit codes: a clear code before every pixel keeps the width fixed.
  gif.push_back(4);
  std::uint32_t bits = 0;
  int count = 0;
  Bytes data;
  auto code = [&](unsigned value) {
    bits |= value << count;
    count += 5;
    while (count >= 8) {
      data.push_back(static_cast<unsigned char>(bits & 0xFF));
      bits >>= 8;
      count -= 8;
    }
  };
  for (int i = 0; i < width * height; ++i) {
    code(16);
    code(0);
  }
  code(17);
  if (count > 0) data.push_back(static_cast<unsigned char>(bits));
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t length = std::min<std::size_t>(255, data.size() - at);
    gif.push_back(static_cast<unsigned char>(length));
    gif.insert(gif.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + length));
  }
  gif.insert(gif.end(), {0, 0x3B});
  return gif;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

// The real kerrow-cli, stopped after 20 seconds should it ever wait on a file.
Outcome RunCliProgram(const std::string& arguments, const std::string& dir) {
  const std::string errFile = dir + "/stderr.txt";
  const std::string command = "timeout 20 " + test::ArtBinDir() + "/kerrow-cli " + arguments + " 2>" + errFile;
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) outcome.out += buffer;
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const Bytes err = test::ReadBytes(errFile);
  outcome.err.assign(err.begin(), err.end());
  return outcome;
}

class HostileArt : public ::testing::Test {
 protected:
  HostileArt() {
    fs::copy_file(test::ArtBinDir() + "/demo.bin", dir.File("rom.bin"));
    original = test::ReadBytes(dir.File("rom.bin"));
  }
  Outcome Cli(const std::string& arguments) { return RunCliProgram(arguments, dir.Path().string()); }
  std::string Write(const std::string& name, const Bytes& bytes) {
    test::WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  }

  test::ScratchDir dir;
  Bytes original;
};

TEST_F(HostileArt, SpecialFilesAreRefusedAtOnceAsImagesAndPalettes) {
  const std::string fifo = dir.File("art.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(dir.File("folder.png"));
  const std::string rom = dir.File("rom.bin");
  for (const std::string& file : {fifo, dir.File("folder.png"), std::string("/dev/zero")}) {
    for (const std::string& command : {"import " + rom + " Knight " + file,
                                       "palette import " + rom + " " + file}) {
      SCOPED_TRACE(command);
      const Outcome outcome = Cli(command);
      EXPECT_EQ(outcome.status, 14) << outcome.err;  // refused, not killed by the timeout
      EXPECT_NE(outcome.err.find("not a regular file"), std::string::npos) << outcome.err;
      EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
  }
  // A FIFO named like a palette file of each format, too.
  for (const char* name : {"p.pal", "p.gpl", "p.bin"}) {
    ASSERT_EQ(mkfifo(dir.File(name).c_str(), 0600), 0);
    EXPECT_EQ(Cli("palette import " + rom + " " + dir.File(name)).status, 14) << name;
  }
  EXPECT_EQ(test::ReadBytes(rom), original);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(HostileArt, ADamagedPngIsOneLineOfOursOnStandardError) {
  const std::string rom = dir.File("rom.bin");
  ASSERT_EQ(Cli("export " + rom + " Knight " + dir.File("k.png")).status, 0);
  Bytes png = test::ReadBytes(dir.File("k.png"));
  const auto idat = std::search(png.begin(), png.end(), std::begin("IDAT"), std::end("IDAT") - 1);
  ASSERT_NE(idat, png.end());
  idat[6] ^= 0xFF;  // inside the compressed pixels; the chunk's CRC no longer agrees
  const std::string damaged = Write("damaged.png", png);
  for (const std::string& command : {"import " + rom + " Knight " + damaged,
                                     "palette import " + rom + " " + damaged}) {
    SCOPED_TRACE(command);
    const Outcome outcome = Cli(command);
    EXPECT_EQ(outcome.status, 14);
    EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    EXPECT_EQ(outcome.err.rfind("kerrow-cli: Cannot decode the image " + damaged, 0), 0u)
        << outcome.err;
  }
  EXPECT_EQ(test::ReadBytes(rom), original);
}

// The palette strip as a loaded ROM leaves it, for the library-level cases.
class ImageKinds : public ::testing::Test {
 protected:
  ImageKinds() {
    G().RomPath = G().PaletteRomPath = dir.File("rom.bin");
    for (int i = 1; i < 16; ++i) EditPaletteEntry(i, 0x202020);
    G().PaletteDirty = false;
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    test::WriteBytes(dir.File(name), bytes);
    return dir.File(name);
  }
  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
};

TEST_F(ImageKinds, AGreyPngWithATransparencyChunkIsNotIndexed) {
  std::vector<unsigned char> grey(64, 240);
  grey[0] = 0;  // the transparent value
  const std::string path = Write("grey.png", GreyPngWithTransparency(8, 8, grey, 0));
  // Qt hands it over with a colour table; it is still no palette.
  EXPECT_FALSE(ImportPaletteFile(path, nullptr));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("has no palette of its own"), std::string::npos)
      << guard.dialogs.shown[0].text;
  EXPECT_FALSE(G().PaletteDirty);
  EXPECT_EQ(G().Palette.Entries[1].Colour, 0x202020u);

  // As a sprite it is colours: transparent is index 0, grey 240 a colour to match.
  const ArtOutcome<QImage> image = ReadSpriteSizedImage(path, 8, 8);
  ASSERT_TRUE(image) << image.Message();
  EXPECT_TRUE(image->colorTable().isEmpty());
  EXPECT_EQ(qAlpha(image->pixel(0, 0)), 0);
  EXPECT_EQ(image->pixel(1, 0), qRgb(240, 240, 240));
}

TEST_F(ImageKinds, AGifsColourTableIsAPalette) {
  std::vector<QRgb> table;
  for (int i = 0; i < 16; ++i) table.push_back(qRgb(i * 16, 255 - i * 16, (i * 48) & 0xFF));
  for (const bool local : {false, true}) {
    SCOPED_TRACE(local ? "local table" : "global table");
    ASSERT_TRUE(ImportPaletteFile(Write("p.gif", Gif(table, local)), nullptr))
        << (guard.dialogs.shown.empty() ? "" : guard.dialogs.shown.back().text);
    for (std::size_t i = 1; i < 16; ++i) {
      const QRgb c = table[i];
      const DisplayColour colour = static_cast<DisplayColour>(qRed(c)) |
                                   static_cast<DisplayColour>(qGreen(c)) << 8 |
                                   static_cast<DisplayColour>(qBlue(c)) << 16;
      EXPECT_EQ(G().Palette.Entries[i].Colour, SnapToConsole(colour)) << i;
    }
    EXPECT_TRUE(G().PaletteDirty);
    for (int i = 1; i < 16; ++i) EditPaletteEntry(i, 0x202020);
  }
  // Qt reads the same file, so it is a GIF and not just bytes this test made up.
  QImage decoded;
  ASSERT_TRUE(decoded.load(QString::fromStdString(dir.File("p.gif"))));
  EXPECT_EQ(decoded.pixel(0, 0), table[0]);
}

}  // namespace
}  // namespace kerrow
