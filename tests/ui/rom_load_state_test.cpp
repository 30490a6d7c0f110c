// What the window shows after File > Load must be what holds: catalog faults
// in the tree are reported, a load that fails part-way leaves no trace of the
// previous game, and a palette is saved only into the ROM it came from.
#include <QLabel>
#include <QTreeWidget>

#include "editing/bPal.h"
#include "support/CatalogCopy.h"

namespace kerrow::test {
namespace {

class RomLoadState : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    catalog.Use();
    second = CopyRom("demo2.bin");
  }

  QString Panel(int panel) const { return window->sbMainPanels[panel - 1]->text(); }
  QString Caption(const std::string& path) const {
    return QString::fromStdString("Tavrel [" + path + "]");
  }
  QColor WindowColour() const { return window->palette().color(QPalette::Window); }
  std::vector<std::string> GameInformation() {
    guard.dialogs.shown.clear();
    window->mnuFileGameInfo->trigger();
    std::vector<std::string> texts;
    for (const auto& box : guard.dialogs.shown) texts.push_back(box.text);
    return texts;
  }

  CatalogCopy catalog{scratch};
  std::string second;
};

TEST_F(RomLoadState, CatalogFaultsInTheTreeAreReportedInOneBox) {
  catalog.Run("demo.mdb",
              "ALTER TABLE HEAD DROP COLUMN Name; ALTER TABLE COMPRESSED DROP COLUMN SubHead;");
  Load(rom);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  const std::string& text = guard.dialogs.shown[0].text;
  EXPECT_NE(text.find("HEAD.Name"), std::string::npos) << text;
  EXPECT_NE(text.find("COMPRESSED.SubHead"), std::string::npos) << text;
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Exclamation);

  // The tree shows what could be read, and the program goes on.
  ASSERT_EQ(window->tvSprites->topLevelItemCount(), 1);
  EXPECT_EQ(window->tvSprites->topLevelItem(0)->text(0), "Compressed");
  EXPECT_EQ(Panel(1), "Game: Kerrow Demo Cart");
  ASSERT_EQ(GameInformation().size(), 1u);
}

TEST_F(RomLoadState, AGameDatabaseLackingATableLeavesNoTraceOfThePreviousGame) {
  Load(rom);
  ASSERT_EQ(Panel(1), "Game: Kerrow Demo Cart");
  catalog.Run("games/second.mdb", "DROP TABLE HEAD;");
  guard.dialogs.shown.clear();
  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("HEAD"), std::string::npos);

  EXPECT_EQ(window->windowTitle(), Caption(second));
  EXPECT_EQ(Panel(1), "Game: None");
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);
  for (int i = 1; i < 16; ++i) {
    EXPECT_EQ(window->picPal[i]->Colour(), WindowColour()) << i;
    EXPECT_TRUE(window->picPal[i]->toolTip().isEmpty()) << i;
  }
  EXPECT_TRUE(GameInformation().empty());

  // No palette is held, so none can be saved anywhere.
  const auto first = ReadBytes(rom);
  const auto secondBytes = ReadBytes(second);
  guard.dialogs.shown.clear();
  window->mnuFileSavePalette->trigger();
  EXPECT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(ReadBytes(rom), first);
  EXPECT_EQ(ReadBytes(second), secondBytes);
}

TEST_F(RomLoadState, AnUnreadableGameRecordIsReportedWithItsPlace) {
  Load(rom);
  catalog.Run("games/second.mdb", "UPDATE NFO SET Palette = 'x';");
  guard.dialogs.shown.clear();
  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].text, R"(Type mismatch (NFO "Kerrow Second Cart", Palette))");
  EXPECT_EQ(Panel(1), "Game: None");
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);
  EXPECT_TRUE(GameInformation().empty());
}

TEST_F(RomLoadState, APalettePastTheEndOfTheRomStillListsTheGame) {
  Load(rom);
  catalog.Run("games/second.mdb", "UPDATE NFO SET Palette = 65530;");
  guard.dialogs.shown.clear();
  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find(R"((NFO "Kerrow Second Cart", Palette))"),
            std::string::npos)
      << guard.dialogs.shown[0].text;

  EXPECT_EQ(window->windowTitle(), Caption(second));
  EXPECT_EQ(Panel(1), "Game: Kerrow Second Cart");
  EXPECT_GT(window->tvSprites->topLevelItemCount(), 1);
  for (int i = 1; i < 16; ++i) EXPECT_EQ(window->picPal[i]->Colour(), WindowColour()) << i;
  const auto info = GameInformation();
  ASSERT_EQ(info.size(), 1u);
  EXPECT_NE(info[0].find("Kerrow Second Cart"), std::string::npos);
}

// A palette edited in one ROM is never written into another, nor into its own
// ROM once another is open; edits the user chose to discard stay discarded.
TEST_F(RomLoadState, APaletteIsSavedOnlyIntoTheRomItCameFromWhileThatIsOpen) {
  Load(rom);
  std::vector<unsigned char> bytes = ReadBytes(rom);
  bytes[387] = 'Z';  // no catalog ID matches
  const std::string unknown = scratch.File("unknown.bin");
  WriteBytes(unknown, bytes);
  const auto first = ReadBytes(rom);

  const QColor entry1 = window->picPal[1]->Colour();
  ASSERT_TRUE(EditPaletteEntry(1, 0x0000E0));
  guard.dialogs.answers = {MsgAnswer::No};
  Load(unknown);
  EXPECT_EQ(window->windowTitle(), Caption(unknown));
  EXPECT_FALSE(G().PaletteDirty);
  EXPECT_EQ(window->picPal[1]->Colour(), entry1);  // the dropped change is gone from view

  for (QAction* save : {window->mnuFileSavePalette, window->ToolbarButton("spal")}) {
    guard.dialogs.shown.clear();
    save->trigger();
    ASSERT_EQ(guard.dialogs.shown.size(), 1u);
    EXPECT_NE(guard.dialogs.shown[0].text.find("came from " + rom), std::string::npos)
        << guard.dialogs.shown[0].text;
  }
  EXPECT_EQ(ReadBytes(rom), first);
  EXPECT_EQ(ReadBytes(unknown), bytes);

  // Edited again while the unknown ROM is open: still nowhere to write it, so
  // the question before the next load finds the save refused and stops.
  ASSERT_TRUE(EditPaletteEntry(2, 0x00E000));
  guard.dialogs.shown.clear();
  guard.dialogs.answers = {MsgAnswer::Yes};
  Load(rom);
  EXPECT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(G().RomPath, unknown);
  EXPECT_EQ(ReadBytes(rom), first);
  EXPECT_EQ(ReadBytes(unknown), bytes);
}

}  // namespace
}  // namespace kerrow::test
