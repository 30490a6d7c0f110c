// Correcting the catalog from the window: the tree's context menu reached by a
// real context-menu event, Tools > Game Settings, Tools > Undo Catalog Change
// over several steps, and Add Sprite's per-block frames and offered palette.
// The game database is read back with SQL of our own.
#include <sqlite3.h>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>

#include "support/CatalogWindowFixture.h"
#include "workshop/CatalogEdits.h"
#include "workshop/CatalogCorrections.h"

namespace kerrow::test {
namespace {

// Every row of `sql`, each as "a|b|c".
std::vector<std::string> Rows(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::string row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        if (i > 0) row += '|';
        row += text ? text : "NULL";
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

class CatalogCorrections : public CatalogWindowFixture {
 protected:
  void SetUp() override {
    CatalogWindowFixture::SetUp();
    SessionCatalogSteps().clear();
    Load(demo);
    guard.dialogs.shown.clear();
  }
  void TearDown() override {
    SessionCatalogSteps().clear();
    CatalogWindowFixture::TearDown();
  }

  std::string DemoDb() const { return data.File("demo.mdb"); }
  // The game's own tables, as a reader of the catalog sees them.
  std::vector<std::string> GameRows() const {
    std::vector<std::string> rows;
    for (const char* sql : {"SELECT * FROM NFO", "SELECT * FROM HEAD ORDER BY ID",
                            "SELECT * FROM SPRITE ORDER BY Name",
                            "SELECT * FROM COMPRESSED ORDER BY Name"})
      for (std::string& row : Rows(DemoDb(), sql)) rows.push_back(std::move(row));
    return rows;
  }
  std::string Sprite(const std::string& name, const char* fields = "Heading, Width, Height") {
    const auto rows = Rows(DemoDb(), std::string("SELECT ") + fields +
                                         " FROM SPRITE WHERE Name = '" + name + "'");
    return rows.empty() ? "" : rows[0];
  }

  // Right-clicks the node and picks the entry named `entry` of its context
  // menu; returns whether the entry was enabled (empty when there is none).
  std::optional<bool> PickFromTreeMenu(const std::string& key, const char* entry) {
    QTreeWidgetItem* node = Node(key);
    EXPECT_NE(node, nullptr) << key;
    if (!node) return std::nullopt;
    if (node->parent()) node->parent()->setExpanded(true);
    window->tvSprites->scrollToItem(node);
    const QPoint at = window->tvSprites->visualItemRect(node).center();
    std::optional<bool> picked;
    window->ShowTreeMenu = [&](QMenu& menu, const QPoint&) {
      QAction* action = menu.findChild<QAction*>(entry);
      if (!action) return;
      picked = action->isEnabled();
      if (*picked) action->trigger();
    };
    QContextMenuEvent event(QContextMenuEvent::Mouse, at,
                            window->tvSprites->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(window->tvSprites->viewport(), &event);
    return picked;
  }
  void UndoCatalogChange() {
    emit window->mnuTools->aboutToShow();
    window->mnuToolsUndoCatalog->trigger();
  }
};

TEST_F(CatalogCorrections, SpritesAreRenamedMovedEditedAndDeletedFromTheTreesMenu) {
  // Knight is open with an unsaved pixel while it is renamed: the pixel still
  // goes into Knight's bytes.
  OpenSprite("TVRLCHILD_Knight");
  G().SpritePixels.At(0, 0) = 9;
  G().SpriteDirty = true;
  guard.dialogs.texts.push_back("Sir Knight");
  PickFromTreeMenu("TVRLCHILD_Knight", "mnuTreeRename");
  EXPECT_EQ(Node("TVRLCHILD_Knight"), nullptr);
  ASSERT_NE(Node("TVRLCHILD_Sir Knight"), nullptr);
  EXPECT_EQ(window->tvSprites->currentItem(), Node("TVRLCHILD_Sir Knight"));
  EXPECT_EQ(Sprite("Sir Knight"), "1|4|4");
  EXPECT_EQ(Sprite("Knight"), "");
  window->mnuFileSaveRom->trigger();
  EXPECT_EQ(ReadBytes(demo)[12288] >> 4, 9);
  EXPECT_FALSE(G().SpriteDirty);

  // Move: to an existing heading by its name, then to a new one.
  guard.dialogs.choices.push_back("Items");
  PickFromTreeMenu("TVRLCHILD_Sir Knight", "mnuTreeMove");
  EXPECT_EQ(guard.dialogs.choiceItems.back(),
            (std::vector<std::string>{"Heroes", "Items", "Scenery"}));
  EXPECT_EQ(Sprite("Sir Knight"), "2|4|4");
  EXPECT_EQ(Node("TVRLCHILD_Sir Knight")->parent(), Node("TVRLHEAD_2"));
  guard.dialogs.choices.push_back("Bosses");
  PickFromTreeMenu("TVRLCHILD_Sir Knight", "mnuTreeMove");
  EXPECT_EQ(Sprite("Sir Knight"), "4|4|4");
  EXPECT_EQ(Node("TVRLHEAD_4")->text(0), "Bosses");

  // Edit: the form starts from the record; a smaller size keeps the tiles
  // only when they fit, which Knight's do not.
  guard.dialogs.spriteEdits.push_back(SpriteEditAnswer{2, 2, 0, false, ContextChoice::Keep});
  PickFromTreeMenu("TVRLCHILD_Coin", "mnuTreeEdit");
  ASSERT_EQ(guard.dialogs.spriteEditRequests.size(), 1u);
  EXPECT_EQ(guard.dialogs.spriteEditRequests[0].widthTiles, 1);
  EXPECT_EQ(guard.dialogs.spriteEditRequests[0].selectionWidth, 0);
  EXPECT_FALSE(guard.dialogs.spriteEditRequests[0].selectionNote.empty());
  EXPECT_EQ(Sprite("Coin", "Width, Height, White"), "2|2|0,0,8192");
  const auto before = GameRows();
  guard.dialogs.spriteEdits.push_back(SpriteEditAnswer{1, 1, 0, false, ContextChoice::Keep});
  PickFromTreeMenu("TVRLCHILD_Sir Knight", "mnuTreeEdit");
  ASSERT_FALSE(guard.dialogs.shown.empty());
  EXPECT_EQ(GameRows(), before);
  guard.dialogs.shown.clear();

  // Edit with the viewer's selection: two tiles from 0x2000 become the
  // sprite's tiles and size; the sprite on the surface is loaded again.
  OpenSprite("TVRLCHILD_Coin");
  frmTileViewer& viewer = Viewer();
  ASSERT_TRUE(viewer.GoToOffset("0x2000"));
  Drag(viewer.picTiles, {0, 0}, {1, 0}, Qt::LeftButton);
  guard.dialogs.spriteEdits.push_back(
      SpriteEditAnswer{0, 0, 0x1020, true, ContextChoice::None});
  PickFromTreeMenu("TVRLCHILD_Coin", "mnuTreeEdit");
  EXPECT_EQ(guard.dialogs.spriteEditRequests.back().selectionWidth, 2);
  EXPECT_EQ(Sprite("Coin", "Width, Height, Palette, White, Grey"),
            "2|1|4128|0,0,8192\r\n1,0,8224|-1");
  EXPECT_TRUE(G().SpriteLoaded);
  EXPECT_EQ(G().SpritePixels.Width(), 16);
  EXPECT_EQ(G().SpritePixels.Height(), 8);

  // Delete asks first; No keeps the entry, Yes drops it and the sprite shown.
  guard.dialogs.answers.push_back(MsgAnswer::No);
  PickFromTreeMenu("TVRLCHILD_Coin", "mnuTreeDelete");
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(guard.dialogs.shown[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_NE(Sprite("Coin"), "");
  guard.dialogs.answers.push_back(MsgAnswer::Yes);
  PickFromTreeMenu("TVRLCHILD_Coin", "mnuTreeDelete");
  EXPECT_EQ(Sprite("Coin"), "");
  EXPECT_EQ(Node("TVRLCHILD_Coin"), nullptr);
  EXPECT_FALSE(G().SpriteLoaded);
}

TEST_F(CatalogCorrections, HeadingsAreRenamedAndDeletedOnlyWhenEmpty) {
  guard.dialogs.texts.push_back("Backdrops");
  PickFromTreeMenu("TVRLHEAD_3", "mnuTreeRename");
  EXPECT_EQ(Node("TVRLHEAD_3")->text(0), "Backdrops");
  EXPECT_EQ(Rows(DemoDb(), "SELECT Name FROM HEAD WHERE ID = 3"),
            std::vector<std::string>{"Backdrops"});

  const auto before = GameRows();
  EXPECT_EQ(PickFromTreeMenu("TVRLHEAD_3", "mnuTreeDelete"), false);
  EXPECT_EQ(GameRows(), before);
  // Moving Knight, Heroes' only sprite, away empties it.
  guard.dialogs.choices.push_back("Items");
  PickFromTreeMenu("TVRLCHILD_Knight", "mnuTreeMove");
  EXPECT_EQ(PickFromTreeMenu("TVRLHEAD_1", "mnuTreeDelete"), true);
  EXPECT_EQ(Node("TVRLHEAD_1"), nullptr);
  EXPECT_TRUE(Rows(DemoDb(), "SELECT * FROM HEAD WHERE ID = 1").empty());
  // The compressed groups have no menu: their sprites make them.
  EXPECT_EQ(PickFromTreeMenu("TVRLHEADCOMP", "mnuTreeRename"), std::nullopt);
}

TEST_F(CatalogCorrections, GameSettingsChangeTheNameAndThePaletteShown) {
  emit window->mnuTools->aboutToShow();
  EXPECT_TRUE(window->mnuToolsGameSettings->isEnabled());
  const auto before = FilesOf(data.Path());
  // A palette outside the ROM is refused and nothing changes.
  guard.dialogs.gameSettings.push_back(GameSettingsAnswer{"Renamed Cart", 0x7FFFFFF0});
  window->mnuToolsGameSettings->trigger();
  ASSERT_EQ(guard.dialogs.gameSettingsRequests.size(), 1u);
  EXPECT_EQ(guard.dialogs.gameSettingsRequests[0].name, "Kerrow Demo Cart");
  EXPECT_EQ(guard.dialogs.gameSettingsRequests[0].palette, 4096);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(FilesOf(data.Path()), before);

  guard.dialogs.gameSettings.push_back(GameSettingsAnswer{"Renamed Cart", 0x1020});
  window->mnuToolsGameSettings->trigger();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: Renamed Cart");
  EXPECT_EQ(Rows(DemoDb(), "SELECT Name, Palette FROM NFO"),
            std::vector<std::string>{"Renamed Cart|4128"});
  const auto rom = ReadBytes(demo);
  for (int i = 1; i < 16; ++i)
    EXPECT_EQ(window->picPal[i]->Colour().rgb(),
              WordColour(static_cast<std::uint16_t>(rom[0x1020 + 2 * i] << 8 |
                                                    rom[0x1020 + 2 * i + 1])))
        << i;
}

TEST_F(CatalogCorrections, UndoGoesBackThroughThisSessionsChangesOnly) {
  const auto original = GameRows();
  emit window->mnuTools->aboutToShow();
  EXPECT_FALSE(window->mnuToolsUndoCatalog->isEnabled());

  guard.dialogs.texts.push_back("Sir Knight");
  PickFromTreeMenu("TVRLCHILD_Knight", "mnuTreeRename");
  const auto renamed = GameRows();
  guard.dialogs.choices.push_back("Heroes");
  PickFromTreeMenu("TVRLCHILD_Gem", "mnuTreeMove");
  guard.dialogs.gameSettings.push_back(GameSettingsAnswer{"Renamed Cart", 4096});
  window->mnuToolsGameSettings->trigger();
  EXPECT_EQ(SessionCatalogSteps().size(), 3u);

  emit window->mnuTools->aboutToShow();
  EXPECT_TRUE(window->mnuToolsUndoCatalog->statusTip().contains("Renamed Cart"))
      << window->mnuToolsUndoCatalog->statusTip().toStdString();
  UndoCatalogChange();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: Kerrow Demo Cart");
  EXPECT_TRUE(window->sbMainPanels[1]->text().startsWith("Status: Undone: "));
  UndoCatalogChange();
  EXPECT_EQ(GameRows(), renamed);
  EXPECT_EQ(Node("TVRLCHILD_Gem")->parent(), Node("TVRLHEAD_2"));

  // Another program's change in between: this session's older change is not
  // undone over it.
  const CatalogGame game = *FindCatalogGame(G().DataPath, demo);
  RenameSprite(game, kSprite, "Coin", "Penny");
  const auto withPenny = GameRows();
  guard.dialogs.shown.clear();
  UndoCatalogChange();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_EQ(GameRows(), withPenny);
}

TEST_F(CatalogCorrections, UndoOfAnAddedGameLeavesTheRomUnknownAgain) {
  CatalogueFound();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: FOUND PALETTES");
  UndoCatalogChange();
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: None");
  EXPECT_EQ(window->tvSprites->topLevelItemCount(), 0);
  const QString status = window->sbMainPanels[1]->text();
  EXPECT_TRUE(status.startsWith("Status: Undone: Add game")) << status.toStdString();
  EXPECT_TRUE(status.contains("Tools > Add Game to Catalog")) << status.toStdString();
  emit window->mnuTools->aboutToShow();
  EXPECT_TRUE(window->mnuToolsAddGame->isEnabled());
  EXPECT_FALSE(window->mnuToolsUndoCatalog->isEnabled());
}

TEST_F(CatalogCorrections, OneSpritePerBlockAddsEveryFrameInOneUndoableChange) {
  CatalogueFound();
  frmTileViewer& viewer = Viewer();
  viewer.cboOrder->setCurrentIndex(1);  // column by column in 2x2 blocks
  viewer.spnTilesPerRow->setValue(8);
  ASSERT_TRUE(viewer.GoToOffset(QString::number(kFrames)));
  Drag(viewer.picTiles, {0, 0}, {7, 1}, Qt::LeftButton);
  // The palette shown is not the game's: Add Sprite offers it.
  viewer.UsePaletteAt(kSecondPalette);
  guard.dialogs.shown.clear();
  SpriteFormAnswer answer{"Walk", -1, "Walking", kSecondPalette, false, 0};
  answer.perBlock = true;
  guard.dialogs.spriteForms.push_back(answer);
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.spriteFormRequests.size(), 1u);
  const SpriteFormRequest& request = guard.dialogs.spriteFormRequests[0];
  EXPECT_EQ(request.palette, kSecondPalette);
  EXPECT_EQ(request.blockFrames, 4);
  EXPECT_EQ(request.blockWidth, 2);
  EXPECT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;

  const std::string database = OpenCatalogGame()->DatabasePath;
  const auto frames = Rows(database, "SELECT Name, Width, Height, Palette, White FROM SPRITE "
                                     "ORDER BY Name");
  ASSERT_EQ(frames.size(), 4u);
  for (int f = 0; f < 4; ++f) {
    // Stored column by column: tile (tx, ty) of frame f is its tile 2 tx + ty.
    std::string white;
    for (int ty = 0; ty < 2; ++ty)
      for (int tx = 0; tx < 2; ++tx)
        white += (white.empty() ? "" : "\r\n") + std::to_string(tx) + "," + std::to_string(ty) +
                 "," + std::to_string(kFrames + 32 * (4 * f + 2 * tx + ty));
    EXPECT_EQ(frames[f], "Walk " + std::to_string(f + 1) + "|2|2|" +
                             std::to_string(kSecondPalette) + "|" + white);
  }
  EXPECT_EQ(window->tvSprites->currentItem()->text(0), "Walk 1");
  // Its first tile is filled with index 1: the frame opened shows it.
  EXPECT_EQ(G().SpritePixels.At(0, 0), 1);

  UndoCatalogChange();
  EXPECT_TRUE(Rows(database, "SELECT * FROM SPRITE").empty());
  EXPECT_TRUE(Rows(database, "SELECT * FROM HEAD").empty());
  EXPECT_EQ(Node("TVRLCHILD_Walk 1"), nullptr);
  EXPECT_FALSE(G().SpriteLoaded);
}

}  // namespace
}  // namespace kerrow::test
