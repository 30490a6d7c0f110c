// The main window's menus, toolbar routing and command guard.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "editing/bPal.h"
#include "shell/CommandGuard.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using MainWindow = WindowFixture;

QStringList Captions(const QList<QAction*>& actions) {
  QStringList captions;
  for (QAction* action : actions) captions << (action->isSeparator() ? "-" : action->text());
  return captions;
}

TEST_F(MainWindow, MenusHaveTheirOrderCaptionsAndStates) {
  frmMain& w = *window;
  EXPECT_EQ(Captions(w.menuBar()->actions()),
            QStringList({"&File", "&Edit", "&View", "Compression", "&Tools", "Help"}));
  EXPECT_EQ(Captions(w.mnuFile->actions()),
            QStringList({"&Load...", "&Save", "Import Sprite...", "Expor&t Sprite...", "P&alette",
                         "-", "Game Information", "-", "E&xit"}));
  EXPECT_EQ(Captions(w.mnuFileSave->actions()), QStringList({"Save ROM", "Save &Palette"}));
  EXPECT_EQ(Captions(w.mnuEdit->actions()),
            QStringList({"Undo", "Redo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "-",
                         "Select &All", "-", "Flip &Horizontal", "Flip &Vertical"}));
  EXPECT_EQ(Captions(w.mnuView->actions()), QStringList({"&Grid", "Zoom"}));
  EXPECT_EQ(Captions(w.mnuViewZoom->actions()), QStringList({"1", "4", "6", "8", "16", "24"}));
  EXPECT_EQ(Captions(w.mnuCompression->actions()),
            QStringList({"Dump offset...", "Compress Data..."}));
  EXPECT_EQ(Captions(w.mnuTools->actions()),
            QStringList({"Tile &Viewer...", "Add &Game to Catalog...", "Record ROM &Fingerprint",
                         "Game Se&ttings...", "&Undo Catalog Change", "-", "ROM &Header...",
                         "&Fix Checksum", "Fix Checksum on &Save", "-", "&Check Catalog..."}));
  EXPECT_EQ(Captions(w.mnuHelp->actions()), QStringList({"Help Topics", "-", "&About"}));

  EXPECT_FALSE(w.mnuFileSave->isEnabled());
  EXPECT_FALSE(w.mnuFileImport->isEnabled());
  EXPECT_TRUE(w.mnuCompression->isEnabled());  // its entries have commands now
  EXPECT_EQ(w.mnuViewGrid->shortcut(), QKeySequence("Ctrl+G"));
  EXPECT_FALSE(w.mnuViewGrid->isChecked());
  for (int k = 0; k < 6; ++k) EXPECT_EQ(w.mnuViewZoomE[k]->isChecked(), k == 3);
  EXPECT_TRUE(w.mnuViewZoomGroup->isExclusive());
  for (const char* name : {"mnuFileLoad", "mnuFileSaveRom", "mnuFileExit", "mnuViewZoomE5",
                           "mnuHelpSep1", "mnuCompressionDump"}) {
    EXPECT_NE(w.findChild<QAction*>(name), nullptr) << name;
  }
  for (const char* name :
       {"tvSprites", "picEdBack", "picSprite", "sprScrollH", "sprScrollV", "picFore", "picBack",
        "picPal0", "picPal15", "Frame1", "sbMain", "tbMain", "tbEtc"}) {
    EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
  }
}

TEST_F(MainWindow, ToolbarHoldsThirteenButtonsInOrderWithOneToolDown) {
  frmMain& w = *window;
  QStringList keys;
  QStringList tips;
  QStringList statusTips;
  QStringList texts;
  for (QAction* action : w.tbMain->actions()) {
    if (action->isSeparator()) continue;
    QAction* button = action;
    if (auto* holder = qobject_cast<QToolButton*>(w.tbMain->widgetForAction(action));
        holder && holder->defaultAction()) {
      button = holder->defaultAction();
    }
    keys << button->data().toString();
    tips << button->toolTip();
    statusTips << button->statusTip();
    texts << button->text();
  }
  EXPECT_EQ(keys, QStringList({"open", "save", "reload", "undo", "redo", "a", "b", "c", "d", "e",
                               "f", "g", "h"}));
  EXPECT_EQ(texts, QStringList({"Open", "Save", "Reload", "Undo", "Redo", "Pencil", "Eyedropper",
                                "Color replacer", "Selection", "Eraser", "Spray can",
                                "Paint bucket", "Shape"}));
  // Pointing at a button shows its caption as the tip (with a tool's key) and
  // its description in the status bar.
  EXPECT_EQ(tips, QStringList({"Open", "Save", "Reload", "Undo", "Redo", "Pencil (P)",
                               "Eyedropper (I)", "Color replacer (R)", "Selection (S)",
                               "Eraser (E)", "Spray can (A)", "Paint bucket (G)", "Shape (U)"}));
  EXPECT_EQ(statusTips, QStringList({"Open", "Save", "Info", "Undo", "Redo", "Pencil", "Eyedropper",
                                     "Color Replacer", "Selection", "Eraser", "Spray can",
                                     "Paint bucket", "Shape"}));
  QStringList dropDown;
  for (QAction* entry : w.tbMainSave->menu()->actions()) {
    dropDown << entry->data().toString() + "=" + entry->text();
  }
  EXPECT_EQ(dropDown, QStringList({"srom=ROM", "spal=Palette"}));
  EXPECT_TRUE(w.ToolbarButton("a")->isChecked());

  // Each tool button sets its tool and is the only one down.
  for (char key = 'h'; key >= 'a'; --key) {
    w.ToolbarButton(QString(key))->trigger();
    EXPECT_EQ(G().CurrentTool, key - 'a');
    EXPECT_EQ(w.tbMainTools->checkedAction(), w.ToolbarButton(QString(key)));
  }
}

TEST_F(MainWindow, ButtonsWithoutAnOpenRomChangeNothing) {
  // A changed palette from `rom` is held, as if a ROM had been open: a save
  // that wrote without an open ROM would write it there.
  LoadPalette(rom, 0x1000);
  G().Palette.Entries[1].StoredBytes = "0 14";  // 000E instead of the ROM's 0EEE
  G().PaletteDirty = true;
  const auto before = ReadBytes(rom);
  for (const char* key : {"reload", "spal", "save", "srom"}) window->ToolbarButton(key)->trigger();
  window->mnuFileSavePalette->trigger();
  window->mnuFileSaveRom->trigger();
  EXPECT_TRUE(guard.dialogs.fileRequests.empty());
  EXPECT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;
  EXPECT_EQ(ReadBytes(rom), before);
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(window->windowTitle(), "Tavrel");

  // "open" runs File > Load: the open dialog is shown (and cancelled here).
  window->ToolbarButton("open")->trigger();
  ASSERT_EQ(guard.dialogs.fileRequests.size(), 1u);
  EXPECT_EQ(guard.dialogs.fileRequests[0].title, "Load Genesis ROM File");
  EXPECT_EQ(guard.dialogs.fileRequests[0].filter,
            "Binary Images (*.bin)|*.bin|All Files (*.*)|*.*");
  EXPECT_EQ(guard.dialogs.fileRequests[0].flags, 4100);
  EXPECT_EQ(guard.dialogs.fileRequests[0].fileName, "");
  EXPECT_EQ(window->windowTitle(), "Tavrel");
  EXPECT_FALSE(window->mnuFileSave->isEnabled());
}

TEST(CommandGuard, FailuresBecomeABoxAndTheCommandReportsIt) {
  CoreFixtureGuard guard;
  EXPECT_TRUE(RunGuarded([] {}));
  EXPECT_FALSE(RunGuarded([] { throw Failure(kErrFileNotFound, "File not found", "kerrow"); }));
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("disk on fire"); }));
  ASSERT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_EQ(guard.dialogs.shown[0].text, "File not found");
  EXPECT_EQ(guard.dialogs.shown[1].text, "disk on fire");
  for (const auto& box : guard.dialogs.shown) {
    EXPECT_EQ(box.icon, MsgIcon::Critical);
    EXPECT_EQ(box.title, kAppTitle);
  }
}

}  // namespace
}  // namespace kerrow::test
