#include <gtest/gtest.h>

#include <algorithm>

#include "bridge/Binding.h"
#include "bridge/TempFiles.h"
#include "codec.h"
#include "workshop/StreamProbe.h"
#include "workshop/WorkshopCommands.h"
#include "workshop_TestRom.h"

namespace kerrow {
namespace {

// Streams made with the codec directly; the probe goes through the editor's binding.
class StreamTest : public ::testing::Test {
 protected:
  void TearDown() override { ResetBindings(); }

  std::vector<std::uint8_t> Data(std::size_t size, unsigned salt) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
      data[i] = static_cast<std::uint8_t>((i / 7) * salt + (i % 5 == 0 ? i : 0));
    return data;
  }

  test::CoreFixtureGuard guard;
  test::ScratchDir dir;
};

TEST_F(StreamTest, LengthsMatchWhatTheCodecItselfReports) {
  for (unsigned salt : {1u, 3u, 29u}) {
    const auto data = Data(300 * salt, salt);
    const auto stream = droven::Compress(data, droven::Mode::Plain);
    // The stream sits between other bytes, with more after it than it holds.
    std::vector<unsigned char> rom(100 + stream.size(), 0x5A);
    std::copy(stream.begin(), stream.end(), rom.begin() + 100);
    for (int i = 0; i < 500; ++i) rom.push_back(static_cast<unsigned char>(i * 13));
    test::WriteBytes(dir.File("rom.bin"), rom);

    const auto info = ProbeStream(dir.File("rom.bin"), 100, dir.File("out.bin"));
    ASSERT_TRUE(info) << salt;
    const auto decoded =
        droven::Decompress({rom.data() + 100, rom.size() - 100}, droven::Mode::Plain);
    ASSERT_EQ(decoded.status, droven::kOk);
    EXPECT_EQ(info->CompressedLength, static_cast<std::int64_t>(decoded.consumed)) << salt;
    EXPECT_EQ(info->CompressedLength, static_cast<std::int64_t>(stream.size()));
    EXPECT_EQ(info->DecompressedSize, static_cast<std::int64_t>(data.size()));
    EXPECT_EQ(test::ReadBytes(dir.File("out.bin")),
              std::vector<unsigned char>(data.begin(), data.end()));
  }
}

TEST_F(StreamTest, AStreamEndingTheFileAndPlacesWithoutOne) {
  const auto data = Data(200, 5);
  const auto stream = droven::Compress(data, droven::Mode::Plain);
  std::vector<unsigned char> rom(40 + stream.size(), 0);
  std::copy(stream.begin(), stream.end(), rom.begin() + 40);
  test::WriteBytes(dir.File("rom.bin"), rom);
  const auto info = ProbeStream(dir.File("rom.bin"), 40, dir.File("out.bin"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->CompressedLength, static_cast<std::int64_t>(stream.size()));
  // Cut short, past the end, negative: nothing decodes.
  EXPECT_FALSE(ProbeStream(dir.File("rom.bin"), static_cast<std::int64_t>(rom.size()) - 3,
                           dir.File("out.bin")));
  EXPECT_FALSE(
      ProbeStream(dir.File("rom.bin"), static_cast<std::int64_t>(rom.size()), dir.File("out.bin")));
  EXPECT_FALSE(ProbeStream(dir.File("rom.bin"), -1, dir.File("out.bin")));
}

TEST_F(StreamTest, DumpOffsetAsksReportsAndRefuses) {
  const auto data = Data(640, 7);
  const auto stream = droven::Compress(data, droven::Mode::Plain);
  std::vector<unsigned char> rom(0x400 + stream.size(), 0);
  std::copy(stream.begin(), stream.end(), rom.begin() + 0x400);
  rom.resize(rom.size() + 64, 0xEE);
  test::WriteBytes(dir.File("rom.bin"), rom);
  G().RomPath = dir.File("rom.bin");
  auto& dialogs = guard.dialogs;

  dialogs.texts.push_back("0x400");
  const auto source = DumpOffsetCommand();
  ASSERT_TRUE(source);
  EXPECT_EQ(source->StreamOffset, 0x400);
  EXPECT_EQ(source->StreamLength, static_cast<std::int64_t>(stream.size()));
  EXPECT_EQ(source->RomPath, G().RomPath);
  EXPECT_EQ(test::ReadBytes(source->Path), std::vector<unsigned char>(data.begin(), data.end()));
  EXPECT_EQ(source->Path.rfind(TempDirectory(), 0), 0u);  // never the loaded sprite's dump.bin
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "The compressed stream at 0x400 is " +
                                       std::to_string(stream.size()) +
                                       " bytes long and decompresses to 640 bytes.");

  dialogs.texts.push_back("0x3FE");  // zeros, then the stream's middle: no end marker
  EXPECT_FALSE(DumpOffsetCommand());
  dialogs.texts.push_back("nonsense");
  EXPECT_FALSE(DumpOffsetCommand());
  EXPECT_FALSE(DumpOffsetCommand());  // cancelled: nothing said
  ASSERT_EQ(dialogs.shown.size(), 3u);
  EXPECT_EQ(dialogs.shown[1].text, "Nothing at offset 0x3FE decompresses.");
  EXPECT_EQ(dialogs.shown[2].text, "\"nonsense\" is no offset.");
}

TEST_F(StreamTest, CompressDataWritesAStreamThatDecodesToTheFile) {
  const auto data = Data(5000, 11);
  test::WriteBytes(dir.File("art.bin"), std::vector<unsigned char>(data.begin(), data.end()));
  guard.dialogs.files.push_back(dir.File("art.bin"));
  guard.dialogs.saveFiles.push_back(dir.File("art.cmp"));
  CompressDataCommand();
  const auto packed = test::ReadBytes(dir.File("art.cmp"));
  const auto decoded = droven::Decompress({packed.data(), packed.size()}, droven::Mode::Plain);
  ASSERT_EQ(decoded.status, droven::kOk);
  EXPECT_TRUE(std::ranges::equal(decoded.data, data));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("Compressed 5000 bytes into " +
                                             std::to_string(packed.size()) + " bytes"),
            std::string::npos);

  // A source that cannot be read leaves an existing destination alone.
  guard.dialogs.files.push_back(dir.File("missing.bin"));
  guard.dialogs.saveFiles.push_back(dir.File("art.cmp"));
  CompressDataCommand();
  EXPECT_EQ(test::ReadBytes(dir.File("art.cmp")), packed);
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_NE(guard.dialogs.shown[1].text.find("could not be compressed"), std::string::npos);
  // Cancelling either dialog does nothing.
  CompressDataCommand();
  EXPECT_EQ(guard.dialogs.shown.size(), 2u);
}

TEST_F(StreamTest, CompressDataNeverWritesOverItsSourceOrTheOpenRom) {
  const auto art = Data(3000, 5);
  test::WriteBytes(dir.File("art.bin"), std::vector<unsigned char>(art.begin(), art.end()));
  const auto rom = test::MakeRom(0x2000, {});
  test::WriteBytes(dir.File("game.bin"), rom);
  G().RomPath = dir.File("game.bin");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {dir.File("art.bin"), dir.File("art.bin")},     // "into another" file
      {dir.File("art.bin"), dir.File("./game.bin")},  // the ROM being edited
      {dir.File("game.bin"), dir.File("sub/../game.bin")}};
  std::filesystem::create_directory(dir.File("sub"));
  for (const auto& [from, to] : refused) {
    guard.dialogs.shown.clear();
    guard.dialogs.files.push_back(from);
    guard.dialogs.saveFiles.push_back(to);
    CompressDataCommand();
    ASSERT_EQ(guard.dialogs.shown.size(), 1u) << to;
    EXPECT_NE(guard.dialogs.shown[0].text.find("Nothing was written"), std::string::npos)
        << guard.dialogs.shown[0].text;
    EXPECT_EQ(test::ReadBytes(dir.File("art.bin")),
              std::vector<unsigned char>(art.begin(), art.end()));
    EXPECT_EQ(test::ReadBytes(dir.File("game.bin")), rom);
  }
}

}  // namespace
}  // namespace kerrow
