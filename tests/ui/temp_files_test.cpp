// A ROM called dump.bin and a user's dumpc.bin in the editor's working
// directory, the names of the bridge's temporary files: selections, compressed
// loads and saves never touch them.
#include <filesystem>

#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using UserFilesNamedLikeTemporaryOnes = WindowFixture;

TEST_F(UserFilesNamedLikeTemporaryOnes, SurviveSelectionsCompressedLoadsAndSaves) {
  const std::string dumpRom = scratch.File("dump.bin");
  std::filesystem::rename(rom, dumpRom);
  const std::vector<unsigned char> original = ReadBytes(dumpRom);
  const std::vector<unsigned char> mine = {'m', 'i', 'n', 'e'};
  WriteBytes("dumpc.bin", mine);

  Load(dumpRom);
  ASSERT_EQ(G().RomPath, dumpRom);
  for (const char* key : {"TVRLCHILD_Coin", "TVRLHEADCOMPCHILD_Spark", "TVRLCHILD_Knight",
                          "TVRLHEADCOMPCHILD_Spark"}) {
    OpenSprite(key);
    ASSERT_TRUE(guard.dialogs.shown.empty()) << key << ": " << guard.dialogs.shown[0].text;
    ASSERT_TRUE(G().SpriteLoaded) << key;
    // Saving pixels as they were loaded writes the same bytes back.
    G().SpriteDirty = true;
    window->mnuFileSaveRom->trigger();
    ASSERT_TRUE(guard.dialogs.shown.empty()) << key << ": " << guard.dialogs.shown[0].text;
    EXPECT_FALSE(G().SpriteDirty) << key;
    EXPECT_EQ(ReadBytes(dumpRom), original) << key;
    EXPECT_EQ(ReadBytes("dumpc.bin"), mine) << key;
  }
  EXPECT_TRUE(G().SpriteIsCompressed);
  OpenSprite("TVRLCHILD_Coin");
  EXPECT_EQ(ReadBytes(dumpRom), original);
  EXPECT_EQ(ReadBytes("dumpc.bin"), mine);
}

}  // namespace
}  // namespace kerrow::test
