// A sprite selection that fails after its record was found must leave nothing
// that Save ROM could write: whatever step fails, the ROM keeps its bytes, with
// or without drawing afterwards, until a selection completes again.
#include <QTreeWidget>

#include "support/CatalogCopy.h"

namespace kerrow::test {
namespace {

constexpr std::int64_t kDemoRomSize = 131072;

struct Breakage {
  const char* name;
  const char* shownBefore;  // the sprite open when the broken one is double-clicked
  const char* broken;
  const char* sql;    // on demo.mdb; ';' inside quoted lists becomes CR LF
  const char* report;  // what the runtime error report says, and where from
};

std::ostream& operator<<(std::ostream& out, const Breakage& breakage) {
  return out << breakage.name;
}

const Breakage kBreakages[] = {
    // Plain sprites.
    {"WidthOverflowsTheSurface", "TVRLCHILD_Coin", "TVRLCHILD_Gem",
     "UPDATE SPRITE SET Width = 600 WHERE Name = 'Gem'",
     R"('Overflow (SPRITE "Gem", Width)')"},
    {"ZeroHeight", "TVRLCHILD_Coin", "TVRLCHILD_Gem",
     "UPDATE SPRITE SET Height = 0 WHERE Name = 'Gem'",
     R"('Subscript out of range (SPRITE "Gem", White)')"},
    {"PalettePastTheEndOfTheRom", "TVRLCHILD_Knight", "TVRLCHILD_Gem",
     "UPDATE SPRITE SET Palette = 131056 WHERE Name = 'Gem'",
     R"(bytes long) (SPRITE "Gem", Palette)')"},
    {"TileListWithABadLine", "TVRLCHILD_Coin", "TVRLCHILD_Gem",
     "UPDATE SPRITE SET White = replace('0,0,8224;1,0,&HXY;0,1,8288;1,1,8320', ';', "
     "char(13, 10)) WHERE Name = 'Gem'",
     R"('Type mismatch (SPRITE "Gem", White)')"},
    {"NegativeTileOffset", "TVRLCHILD_Coin", "TVRLCHILD_Gem",
     "UPDATE SPRITE SET White = replace('0,0,8224;1,0,-32', ';', char(13, 10)) "
     "WHERE Name = 'Gem'",
     R"(which is negative (SPRITE "Gem", White)')"},
    {"GreyListWithAShortLine", "TVRLCHILD_Coin", "TVRLCHILD_Lamp Post",
     "UPDATE SPRITE SET Grey = replace('0,3,9344;2,3', ';', char(13, 10)) "
     "WHERE Name = 'Lamp Post'",
     R"('Subscript out of range (SPRITE "Lamp Post", Grey)')"},
    // Compressed sprites.
    {"StreamThatDoesNotDecode", "TVRLCHILD_Coin", "TVRLHEADCOMPCHILD_Spark",
     "UPDATE COMPRESSED SET Offset = 131070 WHERE Name = 'Spark'",
     R"(routine. (COMPRESSED "Spark", Offset)')"},
    {"CompressedWidthOverflows", "TVRLHEADCOMPCHILD_Smoke", "TVRLHEADCOMPCHILD_Spark",
     "UPDATE COMPRESSED SET Width = 600 WHERE Name = 'Spark'",
     R"('Overflow (COMPRESSED "Spark", Width)')"},
    {"CompressedPaletteThatIsNoNumber", "TVRLHEADCOMPCHILD_Smoke", "TVRLHEADCOMPCHILD_Logo",
     "UPDATE COMPRESSED SET Palette = 'x' WHERE Name = 'Logo'",
     R"('Type mismatch (COMPRESSED "Logo", Palette)')"},
    {"CompressedTileOutsideTheSprite", "TVRLCHILD_Coin", "TVRLHEADCOMPCHILD_Spark",
     "UPDATE COMPRESSED SET White = replace('0,0,0;5,5,32', ';', char(13, 10)) "
     "WHERE Name = 'Spark'",
     R"('Subscript out of range (COMPRESSED "Spark", White)')"},
    {"CompressedGreyPastTheEndOfTheData", "TVRLHEADCOMPCHILD_Smoke", "TVRLHEADCOMPCHILD_Spark",
     "UPDATE COMPRESSED SET Grey = replace('0,2,128;1,2,99999', ';', char(13, 10)) "
     "WHERE Name = 'Spark'",
     R"(bytes long (COMPRESSED "Spark", Grey)')"},
};

class FailedSelection : public WindowFixture, public ::testing::WithParamInterface<Breakage> {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    catalog.Use();
  }

  // Pencil clicks with both buttons over the whole visible surface.
  void DrawEverywhere() {
    window->ToolbarButton("a")->trigger();
    G().Palette.Fore.Index = 5;
    G().Palette.Back.Index = 9;
    const QSize size = window->picSprite->size().boundedTo(QSize(256, 256));
    for (int y = 1; y < size.height(); y += 6) {
      for (int x = 1; x < size.width(); x += 6) {
        QTest::mouseClick(window->picSprite, (x + y) % 4 ? Qt::LeftButton : Qt::RightButton, {},
                          QPoint(x, y));
      }
    }
  }

  void SaveRom() { window->mnuFileSaveRom->trigger(); }

  CatalogCopy catalog{scratch};
};

TEST_P(FailedSelection, LeavesNothingThatSaveRomCouldWrite) {
  const Breakage& breakage = GetParam();
  ASSERT_EQ(std::filesystem::file_size(rom), kDemoRomSize);
  catalog.Run("demo.mdb", breakage.sql);
  Load(rom);
  OpenSprite(breakage.shownBefore);
  ASSERT_TRUE(G().SpriteLoaded);
  ASSERT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;
  // A saved stroke on the earlier sprite leaves an undo step behind.
  G().Palette.Fore.Index = 5;
  QTest::mouseClick(window->picSprite, Qt::LeftButton, {}, QPoint(1, 1));
  SaveRom();
  ASSERT_FALSE(G().SpriteDirty);
  const auto bytes = ReadBytes(rom);

  OpenSprite(breakage.broken);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Generic Runtime Error Handler");
  EXPECT_NE(guard.dialogs.shown[0].text.find(breakage.report), std::string::npos)
      << guard.dialogs.shown[0].text;

  // Straight after the failure: refused with a reason, nothing written.
  guard.dialogs.shown.clear();
  SaveRom();
  EXPECT_EQ(ReadBytes(rom), bytes);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("not saved"), std::string::npos)
      << guard.dialogs.shown[0].text;

  // Drawing, undoing and redoing change nothing that could be saved either.
  const PixelGrid shown = G().SpritePixels;
  DrawEverywhere();
  window->ToolbarButton("undo")->trigger();
  window->ToolbarButton("redo")->trigger();
  EXPECT_EQ(G().SpritePixels, shown);
  EXPECT_FALSE(G().SpriteDirty);
  SaveRom();
  EXPECT_EQ(ReadBytes(rom), bytes);

  // A selection that completes makes saving possible again.
  guard.dialogs.shown.clear();
  OpenSprite("TVRLCHILD_Coin");
  ASSERT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;
  G().Palette.Fore.Index = 6;
  QTest::mouseClick(window->picSprite, Qt::LeftButton, {}, QPoint(1, 1));
  SaveRom();
  EXPECT_TRUE(guard.dialogs.shown.empty());
  EXPECT_EQ(ReadBytes(rom)[8192], 0x60);  // pixel (0, 0) of the coin, high nibble
}

INSTANTIATE_TEST_SUITE_P(EachStep, FailedSelection, ::testing::ValuesIn(kBreakages),
                         [](const auto& info) { return std::string(info.param.name); });

// The questions asked before a selection that then fails still protect the
// earlier sprite's edits: Yes saves them, Cancel keeps them editable.
TEST_F(FailedSelection, QuestionsBeforeTheFailureStillProtectTheEarlierSprite) {
  catalog.Run("demo.mdb", "UPDATE SPRITE SET Width = 600 WHERE Name = 'Gem'");
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  G().SpritePixels.At(0, 0) = 5;
  G().SpriteDirty = true;

  guard.dialogs.answers = {MsgAnswer::Cancel};
  OpenSprite("TVRLCHILD_Gem");
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_TRUE(G().SpriteDirty);
  SaveRom();
  EXPECT_EQ(ReadBytes(rom)[8192], 0x50);

  G().SpritePixels.At(0, 0) = 6;
  G().SpriteDirty = true;
  guard.dialogs.shown.clear();
  guard.dialogs.answers = {MsgAnswer::Yes};
  OpenSprite("TVRLCHILD_Gem");
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);  // the question, then the overflow
  EXPECT_EQ(ReadBytes(rom)[8192], 0x60);
  const auto saved = ReadBytes(rom);
  SaveRom();
  EXPECT_EQ(ReadBytes(rom), saved);
}

}  // namespace
}  // namespace kerrow::test
