// Correcting the catalog from the main window: the sprite tree's context menu
// (sprites: Rename, Move to Heading, Edit, Delete; headings: Rename, Delete),
// Tools > Game Settings and Tools > Undo Catalog Change. The work is done by
// the workshop's correction commands; the window shows the result.
#include <QAction>
#include <QMenu>
#include <QTreeWidget>
#include <set>

#include "catalog/bIdentify.h"
#include "catalog/bTreeViewHandle.h"
#include "editing/PaletteStripView.h"
#include "editing/bPal.h"
#include "shell/NamedAction.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"
#include "workshop/CatalogCorrections.h"
#include "workshop/TileViewerView.h"
#include "workshop/frmTileViewer.h"

namespace kerrow {

namespace {

bool HasPrefix(const QString& key, std::string_view prefix) {
  return key.startsWith(QLatin1String(prefix.data(), static_cast<qsizetype>(prefix.size())));
}

QString Key(std::string_view prefix, const std::string& value) {
  return QString::fromStdString(std::string(prefix) + value);
}

}  // namespace

void frmMain::BuildCatalogMenus() {
  mnuToolsGameSettings = NamedAction(this, "mnuToolsGameSettings", "Game Se&ttings...");
  mnuToolsGameSettings->setStatusTip("The open ROM's game: its name and palette offset");
  mnuToolsUndoCatalog = NamedAction(this, "mnuToolsUndoCatalog", "&Undo Catalog Change");
  mnuTools->insertAction(mnuToolsSep1, mnuToolsGameSettings);
  mnuTools->insertAction(mnuToolsSep1, mnuToolsUndoCatalog);
  RouteAction(mnuToolsGameSettings, &frmMain::mnuToolsGameSettings_Click);
  RouteAction(mnuToolsUndoCatalog, &frmMain::mnuToolsUndoCatalog_Click);
  connect(mnuTools, &QMenu::aboutToShow, this, [this] {
    bool catalogued = false;
    try {
      catalogued = !G().RomPath.empty() && OpenCatalogGame().has_value();
    } catch (const std::exception&) {
      // An unreadable ROM or catalog has no settings to show.
    }
    mnuToolsGameSettings->setEnabled(catalogued);
    const std::string next = NextSessionUndo();
    mnuToolsUndoCatalog->setEnabled(!SessionCatalogSteps().empty());
    mnuToolsUndoCatalog->setStatusTip(
        next.empty() ? QString("Undoes the last catalog change made in this session")
                     : QString::fromStdString("Undoes: " + next));
  });

  tvSprites->setContextMenuPolicy(Qt::CustomContextMenu);
  ShowTreeMenu = [](QMenu& menu, const QPoint& at) { menu.exec(at); };
  connect(tvSprites, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QTreeWidgetItem* item = tvSprites->itemAt(at);
    if (!item) return;
    tvSprites->setCurrentItem(item);
    if (auto menu = TreeMenu(item)) ShowTreeMenu(*menu, tvSprites->viewport()->mapToGlobal(at));
  });
}

std::unique_ptr<QMenu> frmMain::TreeMenu(QTreeWidgetItem* item) {
  const QString key = KeyOf(item);
  const std::string name = item->text(0).toStdString();
  auto menu = std::make_unique<QMenu>(this);
  auto entry = [&](const char* objectName, const char* caption, auto command) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(objectName);
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    return action;
  };

  const bool plain = HasPrefix(key, kChildKeyPrefix);
  const bool compressed = HasPrefix(key, kCompressedChildKeyPrefix);
  if (plain || compressed) {
    const GameTable table = compressed ? kCompressed : kSprite;
    const std::string_view prefix = compressed ? kCompressedChildKeyPrefix : kChildKeyPrefix;
    // After a change the tree is built again and the sprite selected (and
    // loaded again when its tiles changed, or dropped when it was deleted).
    auto show = [this, prefix](const std::optional<CorrectionOutcome>& outcome) {
      if (!outcome) return;
      if (outcome->SpriteGone) ClearEditSurface();
      RefillTree(Key(prefix, outcome->Name));
      if (outcome->ReloadSprite && tvSprites->currentItem()) SelectSprite();
      UpdateArtMenus();
    };
    entry("mnuTreeRename", "&Rename...", [=] { show(RenameSpriteCommand(table, name)); });
    entry("mnuTreeMove", compressed ? "&Move to Group..." : "&Move to Heading...",
          [=] { show(MoveSpriteCommand(table, name)); });
    entry("mnuTreeEdit", "&Edit...", [=, this] {
      std::optional<ViewerSelection> viewer;
      if (TileViewer)
        viewer = ViewerSelection{TileViewer->Source(), TileViewer->picTiles->Layout(),
                                 TileViewer->picTiles->Selection(),
                                 TileViewer->picTiles->ContextSelection()};
      show(EditSpriteCommand(table, name, viewer));
    });
    menu->addSeparator();
    entry("mnuTreeDelete", "&Delete", [=] { show(DeleteSpriteCommand(table, name)); });
    return menu;
  }
  if (HasPrefix(key, kHeadKeyPrefix) && !HasPrefix(key, kCompressedKey)) {
    const std::int64_t id = key.mid(static_cast<qsizetype>(kHeadKeyPrefix.size())).toLongLong();
    entry("mnuTreeRename", "&Rename...", [=, this] {
      if (RenameHeadingCommand(id)) RefillTree(key);
    });
    QAction* remove = entry("mnuTreeDelete", "&Delete", [=, this] {
      if (DeleteHeadingCommand(id)) RefillTree(QString());
    });
    remove->setEnabled(item->childCount() == 0);
    if (item->childCount() > 0) remove->setToolTip("Only a heading without sprites can be deleted");
    return menu;
  }
  return nullptr;  // the compressed groups are made by their sprites
}

void frmMain::RefillTree(const QString& selectKey) {
  std::set<QString> expanded;
  for (QTreeWidgetItemIterator it(tvSprites); *it; ++it)
    if ((*it)->isExpanded()) expanded.insert(KeyOf(*it));
  tvSprites->clear();
  FillTree();
  // Building the tree walks the views: the sprite shown gets its record back.
  if (G().SpriteLoaded && !G().SpriteName.empty())
    GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite).Seek(G().SpriteName);
  for (QTreeWidgetItemIterator it(tvSprites); *it; ++it)
    if (expanded.contains(KeyOf(*it))) (*it)->setExpanded(true);
  if (QTreeWidgetItem* node = selectKey.isEmpty() ? nullptr : FindNode(selectKey)) {
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent()) up->setExpanded(true);
    tvSprites->setCurrentItem(node);
  }
}

void frmMain::mnuToolsGameSettings_Click() {
  const std::optional<GameSettings> changed = GameSettingsCommand();
  if (!changed) return;
  SetPanelText(1, QString::fromStdString("Game: " + changed->Name));
  // The palette strip shows the game's palette unless the sprite shown has its own.
  bool ownPalette = false;
  if (G().SpriteLoaded) {
    TableView& record = GameTableView(G().SpriteIsCompressed ? kCompressed : kSprite);
    ownPalette = !record.Eof() && record.Long("Palette") != 0;
  }
  if (!ownPalette) {
    LoadPalette(G().RomPath, changed->Palette);
    Frame1->Refresh();
    RedrawSprite();
  }
  UpdateArtMenus();
}

void frmMain::mnuToolsUndoCatalog_Click() {
  const std::optional<std::string> undone = UndoCatalogChangeCommand();
  if (!undone) return;
  // The undo may have changed anything of the game, or taken it away: the
  // ROM is identified again and shown as File > Load shows it.
  const std::string loaded = G().SpriteLoaded ? G().SpriteName : std::string();
  const bool loadedCompressed = G().SpriteIsCompressed;
  const std::optional<GameIdentity> game = IdentifyGame();
  if (!game) {
    ShowGameGone();
  } else {
    SetPanelText(1, QString::fromStdString("Game: " + game->Name));
    LoadPalette(G().RomPath, game->PaletteOffset);
    Frame1->Refresh();
    const QString key =
        Key(loadedCompressed ? kCompressedChildKeyPrefix : kChildKeyPrefix, loaded);
    RefillTree(key);
    // The sprite shown is loaded again from its record as it is now, if it has one.
    if (!loaded.empty() && FindNode(key))
      SelectSprite();
    else
      ClearEditSurface();
  }
  UpdateArtMenus();
  SetPanelText(2, QString::fromStdString(
                      "Status: Undone: " + *undone +
                      (game ? "" : ". The ROM is not in the catalog now (Tools > Add Game to "
                                   "Catalog)")));
}

void frmMain::ShowGameGone() {
  CloseGameDatabase();
  tvSprites->clear();
  ClearEditSurface();
  SetPanelText(1, "Game: None");
  const QColor window = palette().color(QPalette::Window);
  UnloadPalette(static_cast<DisplayColour>(window.red() | window.green() << 8 |
                                           window.blue() << 16));
  Frame1->Refresh();
}

}  // namespace kerrow
