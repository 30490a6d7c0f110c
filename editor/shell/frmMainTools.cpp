// The Tools menu and the Compression menu: the catalog workshop's windows and
// commands. The work itself is done by the workshop's core commands.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include "catalog/bIdentify.h"
#include "catalog/bTreeViewHandle.h"
#include "editing/PaletteStripView.h"
#include "editing/bPal.h"
#include "shell/NamedAction.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"
#include "workshop/CatalogCorrections.h"
#include "workshop/SaveHooks.h"
#include "workshop/WorkshopCommands.h"
#include "workshop/WorkshopSettings.h"
#include "workshop/frmRomHeader.h"
#include "workshop/frmTileViewer.h"

namespace kerrow {

namespace {

QAction* ToolsAction(frmMain* window, QMenu* menu, const char* name, const char* caption) {
  QAction* action = NamedAction(window, name, caption);
  menu->addAction(action);
  return action;
}

}  // namespace

void frmMain::BuildToolsMenu() {
  mnuTools = new QMenu("&Tools", this);
  mnuTools->setObjectName("mnuTools");
  menuBar()->insertMenu(mnuHelp->menuAction(), mnuTools);
  mnuToolsViewer = ToolsAction(this, mnuTools, "mnuToolsViewer", "Tile &Viewer...");
  mnuToolsAddGame = ToolsAction(this, mnuTools, "mnuToolsAddGame", "Add &Game to Catalog...");
  mnuToolsFingerprint =
      ToolsAction(this, mnuTools, "mnuToolsFingerprint", "Record ROM &Fingerprint");
  mnuToolsFingerprint->setStatusTip(
      "Records the open ROM's fingerprint for its game, so that other ROMs with the same serial "
      "are not taken for it");
  mnuToolsSep1 = mnuTools->addSeparator();
  mnuToolsHeader = ToolsAction(this, mnuTools, "mnuToolsHeader", "ROM &Header...");
  mnuToolsFixChecksum = ToolsAction(this, mnuTools, "mnuToolsFixChecksum", "&Fix Checksum");
  mnuToolsFixOnSave = ToolsAction(this, mnuTools, "mnuToolsFixOnSave", "Fix Checksum on &Save");
  mnuToolsFixOnSave->setCheckable(true);
  mnuToolsFixOnSave->setChecked(ReadFixChecksumOnSaveSetting());
  SetFixChecksumOnSave(mnuToolsFixOnSave->isChecked());
  mnuToolsSep2 = mnuTools->addSeparator();
  mnuToolsCheck = ToolsAction(this, mnuTools, "mnuToolsCheck", "&Check Catalog...");

  RouteAction(mnuToolsViewer, &frmMain::mnuToolsViewer_Click);
  RouteAction(mnuToolsAddGame, &frmMain::mnuToolsAddGame_Click);
  connect(mnuToolsFingerprint, &QAction::triggered, this,
          [this] { Run([] { NoteIfCatalogChanged(RecordFingerprintCommand); }); });
  RouteAction(mnuToolsHeader, &frmMain::mnuToolsHeader_Click);
  connect(mnuToolsFixChecksum, &QAction::triggered, this, [this] {
    Run([&] {
      FixChecksumCommand();
      if (RomHeaderWindow && RomHeaderWindow->isVisible()) RomHeaderWindow->Refresh();
    });
  });
  RouteAction(mnuToolsFixOnSave, &frmMain::mnuToolsFixOnSave_Click);
  connect(mnuToolsCheck, &QAction::triggered, this, [this] { Run([] { CheckCatalogCommand(); }); });

  // Add Game is offered only while the open ROM matches no catalogued game;
  // otherwise its status tip says why not.
  connect(mnuTools, &QMenu::aboutToShow, this, [this] {
    std::string why = "Add Game: the ROM cannot be read.";
    try {
      why = WhyNoAddGame();
    } catch (const std::exception&) {
      // An unreadable ROM offers nothing to add.
    }
    mnuToolsAddGame->setEnabled(why.empty());
    mnuToolsAddGame->setStatusTip(
        why.empty() ? QString("Adds the open ROM's game to the catalog, with its fingerprint")
                    : QString::fromStdString(why));
  });

  // The Compression entries have commands now.
  mnuCompression->setEnabled(true);
  RouteAction(mnuCompressionDump, &frmMain::mnuCompressionDump_Click);
  RouteAction(mnuCompressionCompress, &frmMain::mnuCompressionCompress_Click);
}

frmTileViewer& frmMain::EnsureTileViewer() {
  if (!TileViewer) {
    TileViewer = new frmTileViewer(this);
    TileViewer->RunCommand = [this](const std::function<void()>& command) { Run(command); };
    TileViewer->OnSpriteAdded = [this](const AddedSprite& added) {
      NoteSessionCatalogChange();
      tvSprites->clear();
      FillTree();
      const std::string key =
          std::string(added.Compressed ? kCompressedChildKeyPrefix : kChildKeyPrefix) + added.Name;
      if (QTreeWidgetItem* node = FindNode(QString::fromStdString(key))) {
        for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
        tvSprites->setCurrentItem(node);
        SelectSprite();
      }
      TellProblems("The catalog check finds new problems:", added.NewProblems);
    };
  }
  return *TileViewer;
}

void frmMain::mnuToolsViewer_Click() {
  if (!NeedsOpenRom()) return;
  frmTileViewer& viewer = EnsureTileViewer();
  viewer.ShowRom();
  viewer.show();
  viewer.raise();
}

void frmMain::mnuToolsAddGame_Click() {
  const auto palette = TileViewer ? TileViewer->PaletteOffset() : std::nullopt;
  std::optional<GameIdentity> game;
  NoteIfCatalogChanged([&] { game = AddGameCommand(palette.value_or(0)); });
  if (!game) return;
  tvSprites->clear();
  ShowIdentifiedGame(*game);
}

void frmMain::ShowIdentifiedGame(const GameIdentity& game) {
  SetPanelText(1, QString::fromStdString("Game: " + game.Name));
  LoadPalette(G().RomPath, game.PaletteOffset);
  Frame1->Refresh();
  FillTree();
}

void frmMain::mnuToolsHeader_Click() {
  if (!NeedsOpenRom()) return;
  if (!RomHeaderWindow) {
    RomHeaderWindow = new frmRomHeader(this);
    RomHeaderWindow->RunCommand = [this](const std::function<void()>& command) { Run(command); };
  }
  RomHeaderWindow->Refresh();
  RomHeaderWindow->show();
  RomHeaderWindow->raise();
}

void frmMain::mnuToolsFixOnSave_Click() {
  const bool on = mnuToolsFixOnSave->isChecked();
  SetFixChecksumOnSave(on);
  WriteFixChecksumOnSaveSetting(on);
}

void frmMain::mnuCompressionDump_Click() {
  const std::optional<ViewerSource> dump = DumpOffsetCommand();
  if (!dump) return;
  frmTileViewer& viewer = EnsureTileViewer();
  viewer.ShowSource(*dump);
  viewer.show();
  viewer.raise();
}

void frmMain::mnuCompressionCompress_Click() {
  CompressDataCommand();
}

}  // namespace kerrow
