// File > Load: identification, the tree, the failure boxes, and unsaved changes
// of the previous ROM.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>

#include <sys/stat.h>

#include <filesystem>

#include "bridge/RomJournal.h"
#include "bridge/RomSave.h"
#include "editing/PaletteStripView.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using RomLoad = WindowFixture;

constexpr const char* kUnsupported =
    "File is either an corrupt, invalid, or does not currently have support by Tavrel";

QStringList Children(QTreeWidgetItem* parent) {
  QStringList rows;
  for (int i = 0; i < parent->childCount(); ++i) {
    QTreeWidgetItem* child = parent->child(i);
    rows << child->data(0, Qt::UserRole).toString() + "|" + child->text(0) + "|" +
                child->data(0, Qt::UserRole + 1).toString();
  }
  return rows;
}

TEST_F(RomLoad, DemoRomFillsTheTreeInCatalogOrder) {
  Load(rom);
  frmMain& w = *window;
  EXPECT_TRUE(guard.dialogs.shown.empty());
  EXPECT_EQ(w.windowTitle(), QString::fromStdString("Tavrel [" + rom + "]"));
  EXPECT_EQ(w.sbMainPanels[0]->text(), "Game: Kerrow Demo Cart");
  EXPECT_TRUE(w.mnuFileSave->isEnabled());
  EXPECT_EQ(G().RomPath, rom);

  QTreeWidgetItem* root = w.tvSprites->invisibleRootItem();
  EXPECT_EQ(Children(root), QStringList({"TVRLHEAD_1|Heroes|1", "TVRLHEAD_2|Items|1",
                                         "TVRLHEAD_3|Scenery|1", "TVRLHEADCOMP|Compressed|1"}));
  EXPECT_EQ(Children(root->child(0)), QStringList({"TVRLCHILD_Knight|Knight|2"}));
  EXPECT_EQ(Children(root->child(1)), QStringList({"TVRLCHILD_Coin|Coin|2", "TVRLCHILD_Gem|Gem|2",
                                                   "TVRLCHILD_Potion|Potion|2"}));
  EXPECT_EQ(Children(root->child(2)),
            QStringList({"TVRLCHILD_Cart|Cart|2", "TVRLCHILD_Castle Wall|Castle Wall|2",
                         "TVRLCHILD_Lamp Post|Lamp Post|2"}));
  EXPECT_EQ(Children(root->child(3)),
            QStringList({"TVRLHEADCOMP_Title|Title|1", "TVRLHEADCOMP_Effects|Effects|1"}));
  EXPECT_EQ(Children(root->child(3)->child(1)),
            QStringList({"TVRLHEADCOMPCHILD_Smoke|Smoke|2", "TVRLHEADCOMPCHILD_Spark|Spark|2"}));

  // Nothing expanded or selected.
  for (QTreeWidgetItemIterator it(w.tvSprites); *it; ++it) {
    EXPECT_FALSE((*it)->isExpanded()) << (*it)->text(0).toStdString();
    EXPECT_FALSE((*it)->isSelected()) << (*it)->text(0).toStdString();
  }
  // The game's palette: entry 1 of block 0x1000 is 0EEE (white), entry 5 002E (red).
  EXPECT_EQ(w.picPal[1]->Colour(), QColor(224, 224, 224));
  EXPECT_EQ(w.picPal[5]->Colour(), QColor(224, 32, 0));
  EXPECT_EQ(w.picPal[1]->toolTip(), "E0E0E0");
  EXPECT_EQ(w.picPal[5]->toolTip(), "20E0");
}

TEST_F(RomLoad, ASaveCutShortIsUndoneAndSaidSoBeforeTheRomIsRead) {
  const std::vector<unsigned char> old = ReadBytes(rom);
  struct stat info {};
  ASSERT_EQ(::stat(rom.c_str(), &info), 0);
  // A save of 64 bytes at 12288 (the Knight) died after its first 20 bytes.
  JournalRange range{12288, std::vector<unsigned char>(old.begin() + 12288, old.begin() + 12352),
                     std::vector<unsigned char>(64, 0xAB)};
  WriteBytes(RomJournalPath(rom),
             EncodeJournal({info.st_dev, info.st_ino, static_cast<std::int64_t>(old.size()), {range}}));
  std::vector<unsigned char> torn = old;
  std::fill(torn.begin() + 12288, torn.begin() + 12308, 0xAB);
  WriteBytes(rom, torn);

  Load(rom);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("was interrupted"), std::string::npos);
  EXPECT_EQ(ReadBytes(rom), old);
  EXPECT_FALSE(std::filesystem::exists(RomJournalPath(rom)));
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: Kerrow Demo Cart");
}

TEST_F(RomLoad, CancelledDialogChangesNothing) {
  window->mnuFileLoad->trigger();
  EXPECT_EQ(window->windowTitle(), "Tavrel");
  EXPECT_FALSE(window->mnuFileSave->isEnabled());
  EXPECT_TRUE(G().RomPath.empty());
}

TEST_F(RomLoad, UnsupportedRomShowsTheErrorBoxAndKeepsThePreviousGame) {
  Load(rom);
  std::vector<unsigned char> bytes = ReadBytes(rom);
  bytes[387] = 'Z';  // no catalog ID matches any more
  const std::string other = scratch.File("other.bin");
  WriteBytes(other, bytes);
  Load(other);

  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].text, kUnsupported);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Error");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(guard.dialogs.shown[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: Kerrow Demo Cart");
  EXPECT_EQ(window->windowTitle(), QString::fromStdString("Tavrel [" + other + "]"));
  EXPECT_EQ(G().RomPath, other);
}

TEST_F(RomLoad, UnreadableFileOrMissingGameDatabaseIsReportedAndTheProgramGoesOn) {
  // A file that vanished between the dialog and the read.
  Load(scratch.File("gone.bin"));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_EQ(guard.dialogs.shown[0].title, kAppTitle);
  EXPECT_FALSE(guard.dialogs.shown[0].text.empty());
  EXPECT_EQ(window->windowTitle(),
            QString::fromStdString("Tavrel [" + scratch.File("gone.bin") + "]"));

  // The second game's database is missing from this copy of the data folder.
  ScratchDir data;
  std::filesystem::copy_file(BinDir() + "/game.mdb", data.File("game.mdb"));
  G().DataPath = data.Path().string() + "/";
  OpenCatalog();
  guard.dialogs.shown.clear();
  Load(CopyRom("demo2.bin"));
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Critical);
  EXPECT_NE(guard.dialogs.shown[0].text.find("second.mdb"), std::string::npos)
      << guard.dialogs.shown[0].text;
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);

  // Still working: the demo ROM loads afterwards with the full data folder.
  G().DataPath = BinDir() + "/";
  OpenCatalog();
  Load(rom);
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 4);
}

TEST_F(RomLoad, UnsavedChangesAreOfferedBeforeAnotherRomOpens) {
  Load(rom);
  OpenSprite("TVRLCHILD_Coin");
  ASSERT_TRUE(G().SpriteLoaded);
  const std::string second = CopyRom("demo2.bin");
  const auto secondBefore = ReadBytes(second);

  // Cancel abandons the load: same ROM, sprite and flags.
  G().PaletteDirty = true;
  G().SpriteDirty = true;
  guard.dialogs.answers = {MsgAnswer::Cancel};
  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].title, "Confirm");
  EXPECT_EQ(guard.dialogs.shown[0].icon, MsgIcon::Question);
  EXPECT_EQ(guard.dialogs.shown[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(G().RomPath, rom);
  EXPECT_TRUE(G().PaletteDirty && G().SpriteDirty && G().SpriteLoaded);

  // Yes to the palette writes the edited entry into the first ROM, never the second.
  guard.dialogs.shown.clear();
  G().Palette.Entries[1].StoredBytes = "0 14";  // 000E: red
  guard.dialogs.answers = {MsgAnswer::Yes, MsgAnswer::No};
  Load(second);
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("Palette has been changed"), std::string::npos);
  EXPECT_NE(guard.dialogs.shown[1].text.find("Sprite has been changed"), std::string::npos);
  const auto first = ReadBytes(rom);
  EXPECT_EQ(first[0x1002], 0x00);
  EXPECT_EQ(first[0x1003], 0x0E);
  EXPECT_EQ(ReadBytes(second), secondBefore);

  // After the load the surface is cleared and no sprite is loaded.
  EXPECT_EQ(G().RomPath, second);
  EXPECT_FALSE(G().SpriteLoaded || G().SpriteDirty || G().PaletteDirty);
  EXPECT_FALSE(window->picSprite->isVisible());
  window->mnuFileSaveRom->trigger();
  EXPECT_EQ(ReadBytes(second), secondBefore);
}

}  // namespace
}  // namespace kerrow::test
