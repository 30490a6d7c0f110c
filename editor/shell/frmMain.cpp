#include "shell/frmMain.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "bridge/RomSave.h"
#include "bridge/WriteBack.h"
#include "browser/SpriteSelection.h"
#include "catalog/bIdentify.h"
#include "catalog/bTreeViewHandle.h"
#include "editing/PaletteStripView.h"
#include "editing/ToolOptionsBar.h"
#include "editing/UndoHistory.h"
#include "editing/bPal.h"
#include "graphics/SurfaceView.h"
#include "shell/CommandGuard.h"
#include "shell/Dialogs.h"
#include "shell/Icons.h"
#include "shell/NamedAction.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

constexpr const char* kLoadTitle = "Load Genesis ROM File";
constexpr const char* kLoadFilter = "Binary Images (*.bin)|*.bin|All Files (*.*)|*.*";
constexpr std::int32_t kLoadFlags = 4100;  // file must exist, no read-only box
constexpr const char* kUnsupportedRomText =
    "File is either an corrupt, invalid, or does not currently have support by Tavrel";

constexpr int kKeyRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// A tree node keeps its key and image index as plain members: a game may list
// 65,000 sprites, and per-role variants would dominate the tree's fill time.
class TreeNodeItem : public QTreeWidgetItem {
 public:
  TreeNodeItem(const QString& text, QString key, int image, const std::array<QIcon, 2>& icons)
      : key_(std::move(key)), image_(image), icon_(icons[image == kHeadingImage ? 0 : 1]) {
    setText(0, text);
  }

  QVariant data(int column, int role) const override {
    if (column == 0) {
      if (role == kKeyRole) return key_;
      if (role == kImageRole) return image_;
      if (role == Qt::DecorationRole) return icon_;
    }
    return QTreeWidgetItem::data(column, role);
  }

 private:
  QString key_;
  int image_;
  QIcon icon_;  // shared with every node of its kind
};

// A button's caption (its tool tip), the description the status bar shows
// while the pointer rests on it, and a tool's one-letter shortcut.
struct ToolbarEntry {
  const char* key;
  const char* caption;
  const char* description;
  char shortcut;
};

constexpr ToolbarEntry kToolButtons[] = {
    {"a", "Pencil", "Pencil", 'P'},
    {"b", "Eyedropper", "Eyedropper", 'I'},
    {"c", "Color replacer", "Color Replacer", 'R'},
    {"d", "Selection", "Selection", 'S'},
    {"e", "Eraser", "Eraser", 'E'},
    {"f", "Spray can", "Spray can", 'A'},
    {"g", "Paint bucket", "Paint bucket", 'G'},
    {"h", "Shape", "Shape", 'U'},
};

constexpr const char* kZoomCaptions[] = {"1", "4", "6", "8", "16", "24"};

// The desktop's window-background colour, which boxes without a palette show.
DisplayColour WindowColour(const QWidget& widget) {
  const QColor window = widget.palette().color(QPalette::Window);
  return static_cast<DisplayColour>(window.red() | (window.green() << 8) | (window.blue() << 16));
}

// One box for every fault met while building the tree.
std::string CatalogFaultsText(const std::vector<std::string>& faults) {
  constexpr std::size_t kShown = 12;
  std::string text =
      "Parts of this game's catalog could not be read; the tree lists only what could be:";
  for (std::size_t i = 0; i < faults.size() && i < kShown; ++i) text += "\r\n" + faults[i];
  if (faults.size() > kShown) {
    text += "\r\n... and " + std::to_string(faults.size() - kShown) + " more.";
  }
  return text;
}

QAction* Separator(QMenu* menu, const QString& name) {
  QAction* separator = menu->addSeparator();
  separator->setObjectName(name);
  return separator;
}

}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle("Tavrel");
  BuildMenus();
  BuildToolbars();
  BuildCentre();
  BuildStatusBar();
  LoadWindow();
  InitEditing();
  InitSelection();
  BuildCatalogMenus();
  resize(960, 640);
}

frmMain::~frmMain() = default;

void frmMain::BuildMenus() {
  mnuFile = menuBar()->addMenu("&File");
  mnuFile->setObjectName("mnuFile");
  mnuFileLoad = NamedAction(this, "mnuFileLoad", "&Load...");
  mnuFile->addAction(mnuFileLoad);
  mnuFileSave = mnuFile->addMenu("&Save");
  mnuFileSave->setObjectName("mnuFileSave");
  mnuFileSave->setEnabled(false);
  mnuFileSaveRom = NamedAction(this, "mnuFileSaveRom", "Save ROM");
  mnuFileSavePalette = NamedAction(this, "mnuFileSavePalette", "Save &Palette");
  mnuFileSave->addAction(mnuFileSaveRom);
  mnuFileSave->addAction(mnuFileSavePalette);
  mnuFileImport = NamedAction(this, "mnuFileImport", "Import Sprite...");
  mnuFileImport->setEnabled(false);
  mnuFile->addAction(mnuFileImport);
  BuildArtMenus();
  mnuFileSep1 = Separator(mnuFile, "mnuFileSep1");
  mnuFileGameInfo = NamedAction(this, "mnuFileGameInfo", "Game Information");
  mnuFile->addAction(mnuFileGameInfo);
  mnuFileSep2 = Separator(mnuFile, "mnuFileSep2");
  mnuFileExit = NamedAction(this, "mnuFileExit", "E&xit");
  mnuFile->addAction(mnuFileExit);

  mnuView = menuBar()->addMenu("&View");
  mnuView->setObjectName("mnuView");
  mnuViewGrid = NamedAction(this, "mnuViewGrid", "&Grid");
  mnuViewGrid->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  mnuViewGrid->setCheckable(true);
  mnuView->addAction(mnuViewGrid);
  mnuViewZoom = mnuView->addMenu("Zoom");
  mnuViewZoom->setObjectName("mnuViewZoom");
  mnuViewZoomGroup = new QActionGroup(this);
  mnuViewZoomGroup->setExclusive(true);
  for (int k = 0; k < 6; ++k) {
    QAction* entry = NamedAction(this, QString("mnuViewZoomE%1").arg(k), kZoomCaptions[k]);
    entry->setCheckable(true);
    entry->setChecked(k == 3);
    mnuViewZoomGroup->addAction(entry);
    mnuViewZoom->addAction(entry);
    mnuViewZoomE[k] = entry;
    connect(entry, &QAction::triggered, this, [this, k] { Run([&] { mnuViewZoomE_Click(k); }); });
  }

  mnuCompression = menuBar()->addMenu("Compression");
  mnuCompression->setObjectName("mnuCompression");
  mnuCompressionDump = NamedAction(this, "mnuCompressionDump", "Dump offset...");
  mnuCompressionCompress = NamedAction(this, "mnuCompressionCompress", "Compress Data...");
  mnuCompression->addAction(mnuCompressionDump);
  mnuCompression->addAction(mnuCompressionCompress);
  mnuCompression->setEnabled(false);

  mnuHelp = menuBar()->addMenu("Help");
  mnuHelp->setObjectName("mnuHelp");
  mnuHelpTopics = NamedAction(this, "mnuHelpTopics", "Help Topics");
  mnuHelp->addAction(mnuHelpTopics);
  mnuHelpSep1 = Separator(mnuHelp, "mnuHelpSep1");
  mnuHelpAbout = NamedAction(this, "mnuHelpAbout", "&About");
  mnuHelp->addAction(mnuHelpAbout);

  RouteAction(mnuFileLoad, &frmMain::mnuFileLoad_Click);
  RouteAction(mnuFileSaveRom, &frmMain::mnuFileSaveRom_Click);
  RouteAction(mnuFileSavePalette, &frmMain::mnuFileSavePalette_Click);
  RouteAction(mnuFileGameInfo, &frmMain::mnuFileGameInfo_Click);
  connect(mnuFileExit, &QAction::triggered, this, [this] { Run([&] { mnuFileExit_Click(); }); });
  RouteAction(mnuViewGrid, &frmMain::mnuViewGrid_Click);
  RouteAction(mnuHelpTopics, &frmMain::mnuHelpTopics_Click);
  RouteAction(mnuHelpAbout, &frmMain::mnuHelpAbout_Click);
  BuildToolsMenu();
}

void frmMain::BuildToolbars() {
  tbMain = addToolBar("tbMain");
  tbMain->setObjectName("tbMain");
  tbMain->setIconSize(QSize(16, 16));
  tbMain->setMovable(false);

  auto addButton = [this](const QString& key, const QString& caption, const QString& description) {
    QAction* action = NamedAction(this, key, caption);
    action->setData(key);
    action->setIcon(ToolbarIcon(key));
    action->setToolTip(caption);
    action->setStatusTip(description);
    connect(action, &QAction::triggered, this, [this, key] { tbMain_ButtonClick(key); });
    return action;
  };

  tbMain->addAction(addButton("open", "Open", "Open"));

  tbMainSave = new QToolButton(tbMain);
  tbMainSave->setObjectName("tbMainSave");
  tbMainSave->setPopupMode(QToolButton::MenuButtonPopup);
  tbMainSave->setDefaultAction(addButton("save", "Save", "Save"));
  auto* saveMenu = new QMenu(tbMainSave);
  saveMenu->addAction(addButton("srom", "ROM", "ROM"));
  saveMenu->addAction(addButton("spal", "Palette", "Palette"));
  saveMenu->actions()[0]->setIcon(QIcon());
  saveMenu->actions()[1]->setIcon(QIcon());
  tbMainSave->setMenu(saveMenu);
  tbMain->addWidget(tbMainSave);

  tbMain->addAction(addButton("reload", "Reload", "Info"));
  tbMain->addSeparator();
  tbMain->addAction(addButton("undo", "Undo", "Undo"));
  tbMain->addAction(addButton("redo", "Redo", "Redo"));
  tbMain->addSeparator();

  tbMainTools = new QActionGroup(this);
  tbMainTools->setExclusive(true);
  for (const ToolbarEntry& entry : kToolButtons) {
    QAction* tool = addButton(entry.key, entry.caption, entry.description);
    tool->setShortcut(QKeySequence(QChar(entry.shortcut)));
    tool->setToolTip(QString("%1 (%2)").arg(entry.caption).arg(QChar(entry.shortcut)));
    tool->setCheckable(true);
    tool->setChecked(QString(entry.key) == "a");
    tbMainTools->addAction(tool);
    tbMain->addAction(tool);
  }

  addToolBarBreak();  // the options get a row of their own, never squeezed out of sight
  tbEtc = addToolBar("tbEtc");
  tbEtc->setObjectName("tbEtc");
  tbEtc->setMovable(false);
  tbEtcOptions = new ToolOptionsBar(tbEtc);
}

QAction* frmMain::ToolbarButton(const QString& key) const {
  for (QAction* action : findChildren<QAction*>(key)) {
    if (action->data().toString() == key) return action;
  }
  return nullptr;
}

void frmMain::BuildCentre() {
  auto* centre = new QWidget(this);
  auto* column = new QVBoxLayout(centre);
  column->setContentsMargins(2, 2, 2, 2);

  auto* splitter = new QSplitter(Qt::Horizontal, centre);
  treeIcons_ = {HeadingIcon(), SpriteIcon()};
  tvSprites = new QTreeWidget(splitter);
  tvSprites->setObjectName("tvSprites");
  tvSprites->setHeaderHidden(true);
  tvSprites->setColumnCount(1);
  tvSprites->setIconSize(QSize(16, 16));
  tvSprites->setExpandsOnDoubleClick(true);
  connect(tvSprites, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    tvSprites->setCurrentItem(item);
    SelectSprite();
  });

  auto* editArea = new QWidget(splitter);
  auto* grid = new QGridLayout(editArea);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  picEdBack = new QWidget(editArea);
  picEdBack->setObjectName("picEdBack");
  picEdBack->setAutoFillBackground(true);
  QPalette back = picEdBack->palette();
  back.setColor(QPalette::Window, QColor(128, 128, 128));
  picEdBack->setPalette(back);
  sprScrollH = new QScrollBar(Qt::Horizontal, editArea);
  sprScrollH->setObjectName("sprScrollH");
  sprScrollV = new QScrollBar(Qt::Vertical, editArea);
  sprScrollV->setObjectName("sprScrollV");
  // No range until a sprite needs one.
  sprScrollH->setRange(0, 0);
  sprScrollV->setRange(0, 0);
  grid->addWidget(picEdBack, 0, 0);
  grid->addWidget(sprScrollV, 0, 1);
  grid->addWidget(sprScrollH, 1, 0);

  picSprite = new SurfaceView(picEdBack, sprScrollH, sprScrollV);
  picSprite->OnMouseDown = [this](Qt::MouseButtons b, int x, int y) {
    ShowReady();  // a stroke starts a new command
    picSprite_MouseDown(b, x, y);
  };
  picSprite->OnMouseMove = [this](Qt::MouseButtons b, int x, int y) {
    picSprite_MouseMove(b, x, y);
  };
  picSprite->OnMouseUp = [this](Qt::MouseButtons b, int x, int y) { picSprite_MouseUp(b, x, y); };
  connect(sprScrollH, &QScrollBar::valueChanged, this,
          [this] { Run([&] { sprScrollH_Change(); }); });
  connect(sprScrollV, &QScrollBar::valueChanged, this,
          [this] { Run([&] { sprScrollV_Change(); }); });

  splitter->addWidget(tvSprites);
  splitter->addWidget(editArea);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 740});
  column->addWidget(splitter, 1);

  Frame1 = new PaletteStripView(centre);
  Frame1->RunCommand = [this](const std::function<void()>& command) { Run(command); };
  Frame1->OnPaletteEdited = [this] { RedrawSprite(); };
  picFore = Frame1->picFore;
  picBack = Frame1->picBack;
  picPal = Frame1->picPal;
  column->addWidget(Frame1, 0);
  setCentralWidget(centre);
}

void frmMain::BuildStatusBar() {
  sbMain = statusBar();
  sbMain->setObjectName("sbMain");
  const char* initial[] = {"Game: None", "Status: Ready", "Mouse: (%x, %y)", "Progress:"};
  for (int i = 0; i < 4; ++i) {
    auto* panel = new QLabel(initial[i], sbMain);
    panel->setObjectName(QString("sbMainPanel%1").arg(i + 1));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    // The game's name and what a save wrote where get the room.
    sbMain->addPermanentWidget(panel, i == 0 ? 2 : i == 1 ? 3 : 1);
    sbMainPanels[i] = panel;
  }
}

void frmMain::SetPanelText(int panel, const QString& text) {
  if (panel >= 1 && panel <= 4) sbMainPanels[panel - 1]->setText(text);
}

// The window's own start-up: every box shows the desktop's window colour and
// both swatches show entry 0 with index 0. Each step is independent.
void frmMain::LoadWindow() {
  const DisplayColour colour = WindowColour(*this);
  PaletteStrip& strip = G().Palette;
  for (PaletteEntry& entry : strip.Entries) entry.Colour = colour;
  strip.Fore = {0, strip.Entries[0].Colour};
  strip.Back = {0, strip.Entries[0].Colour};
  sprScrollV->setEnabled(false);
  sprScrollH->setEnabled(false);
  Frame1->Refresh();
}

// The previous game's palette stays shown, but as its ROM holds it: changes
// the user chose not to save are dropped from view too.
void frmMain::ShowPaletteAsSaved() {
  const std::string from = G().PaletteRomPath;
  if (from.empty()) return;
  try {
    LoadPalette(from, G().PaletteOffset - 3);
  } catch (const Failure&) {
    UnloadPalette(WindowColour(*this));
  }
  Frame1->Refresh();
}

void frmMain::RouteAction(QAction* action, void (frmMain::*handler)()) {
  connect(action, &QAction::triggered, this, [this, handler] { Run([&] { (this->*handler)(); }); });
}

void frmMain::Run(const std::function<void()>& command) {
  const bool outermost = runDepth_ == 0;
  if (outermost) ShowReady();
  ++runDepth_;
  RunGuarded(command);
  --runDepth_;
  if (outermost && !G().SaveReport.empty()) {
    const QString report = QString::fromStdString("Status: Saved " + G().SaveReport);
    SetPanelText(2, report);
    sbMainPanels[1]->setToolTip(report);  // the whole text, should the panel be narrow
  }
}

void frmMain::ShowReady() {
  G().SaveReport.clear();
  SetPanelText(2, "Status: Ready");
  sbMainPanels[1]->setToolTip(QString());
}

void frmMain::tbMain_ButtonClick(const QString& key) {
  Run([&] {
    if (key == "open") {
      mnuFileLoad_Click();
    } else if (key == "save" || key == "srom") {
      mnuFileSaveRom_Click();
    } else if (key == "spal") {
      mnuFileSavePalette_Click();
    } else if (key == "undo") {
      Undo();
    } else if (key == "redo") {
      Redo();
    } else if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'h') {
      G().CurrentTool = static_cast<std::int16_t>(key[0].toLatin1() - 'a');
      tbEtcOptions->ShowFor(G().CurrentTool);
    }
    // "reload" runs nothing.
  });
}

void frmMain::mnuFileSaveRom_Click() {
  SaveRom();
}

void frmMain::mnuFileSavePalette_Click() {
  SavePaletteCommand();
}

void frmMain::ClearEditSurface() {
  G().SpriteLoaded = false;
  G().SpriteDirty = false;
  G().SpriteIsCompressed = false;
  G().SpriteName.clear();
  G().FailedSelection.clear();
  G().SpritePixels = PixelGrid();
  G().TileMap = PixelGrid();
  ResetUndoHistory();
  picSprite->ClearSurface();
  picSprite->hide();
  sprScrollH->setEnabled(false);
  sprScrollV->setEnabled(false);
}

void frmMain::mnuFileLoad_Click() {
  const std::string chosen =
      ActiveDialogs().OpenFile(OpenFileRequest{kLoadTitle, kLoadFilter, kLoadFlags, ""});
  if (chosen.empty()) return;

  // Unsaved changes belong to the ROM open now: save them there or drop them
  // before another ROM replaces it.
  if (ConfirmUnsavedChanges(true) == ConfirmOutcome::Cancelled) return;

  // A save into this ROM that was cut short is undone before anything reads it.
  if (const std::string note = RecoverRom(chosen); !note.empty())
    ActiveDialogs().Message(note, MsgIcon::Exclamation, MsgButtons::Ok);
  G().RomPath = chosen;
  mnuFileSave->setEnabled(true);
  tvSprites->clear();
  ClearEditSurface();
  G().PaletteDirty = false;
  std::optional<GameIdentity> game;
  if (!RunGuarded([&] { game = IdentifyGame(); })) {
    // Identification failed part-way: no game is known for this ROM, and the
    // window says so rather than showing the last game's name and palette.
    CloseGameDatabase();
    SetPanelText(1, "Game: None");
    UnloadPalette(WindowColour(*this));
    Frame1->Refresh();
  } else if (!game) {
    ActiveDialogs().Message(kUnsupportedRomText, MsgIcon::Exclamation, MsgButtons::Ok, "Error");
    ShowPaletteAsSaved();
    SetPanelText(2, kUnknownRomNextSteps);
    sbMainPanels[1]->setToolTip(kUnknownRomNextSteps);
  } else {
    SetPanelText(1, QString::fromStdString("Game: " + game->Name));
    // The palette and the tree do not depend on each other: either may fail alone.
    const bool paletteLoaded = RunGuarded([&] {
      try {
        LoadPalette(G().RomPath, game->PaletteOffset);
      } catch (const Failure& failure) {
        throw failure.At(GameTableView(kNfo).Place("Palette"));
      }
    });
    if (!paletteLoaded) UnloadPalette(WindowColour(*this));
    Frame1->Refresh();
    RunGuarded([&] { FillTree(); });
  }
  setWindowTitle(QString::fromStdString("Tavrel [" + G().RomPath + "]"));
  UpdateArtMenus();
  UpdateEditMenu();
}

QString frmMain::KeyOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kKeyRole).toString() : QString();
}

QTreeWidgetItem* frmMain::FindNode(const QString& key) const {
  for (QTreeWidgetItemIterator it(tvSprites); *it; ++it) {
    if ((*it)->data(0, kKeyRole).toString() == key) return *it;
  }
  return nullptr;
}

QTreeWidgetItem* frmMain::AddRootNode(const QString& text, const QString& key, int image) {
  if (FindNode(key)) return nullptr;
  auto* item = new TreeNodeItem(text, key, image, treeIcons_);
  tvSprites->addTopLevelItem(item);
  return item;
}

QTreeWidgetItem* frmMain::AddChildNode(const QString& parentKey, const QString& text,
                                       const QString& key, int image) {
  QTreeWidgetItem* parent = FindNode(parentKey);
  if (!parent || FindNode(key)) return nullptr;
  auto* item = new TreeNodeItem(text, key, image, treeIcons_);
  parent->addChild(item);
  return item;
}

void frmMain::FillTree() {
  // The node list already holds unique keys with existing parents, so items
  // are placed through a key index rather than a search per node, and the
  // top level joins the tree once, with its children.
  std::vector<std::string> faults;
  const std::vector<TreeNode> nodes = BuildSpriteNodes(&faults);
  QHash<QString, QTreeWidgetItem*> byKey;
  byKey.reserve(static_cast<qsizetype>(nodes.size()));
  QList<QTreeWidgetItem*> roots;
  for (const TreeNode& node : nodes) {
    QString key = QString::fromStdString(node.Key);
    if (byKey.contains(key)) continue;
    QTreeWidgetItem* parent = nullptr;
    if (!node.ParentKey.empty()) {
      parent = byKey.value(QString::fromStdString(node.ParentKey));
      if (!parent) continue;
    }
    auto* item = new TreeNodeItem(QString::fromStdString(node.Text), key, node.Image, treeIcons_);
    if (parent) {
      parent->addChild(item);
    } else {
      roots.append(item);
    }
    byKey.insert(std::move(key), item);
  }
  tvSprites->addTopLevelItems(roots);
  if (!faults.empty()) {
    ActiveDialogs().Message(CatalogFaultsText(faults), MsgIcon::Exclamation, MsgButtons::Ok);
  }
}

void frmMain::SelectSprite() {
  QTreeWidgetItem* item = tvSprites->currentItem();
  std::optional<SpriteNode> node;
  if (item) {
    node = SpriteNode{static_cast<std::int16_t>(item->data(0, kImageRole).toInt()),
                      item->text(0).toStdString(),
                      item->parent() ? item->parent()->data(0, kKeyRole).toString().toStdString()
                                     : std::string()};
  }
  Run([&] { kerrow::SelectSprite(node ? &*node : nullptr, *picSprite); });
  Frame1->Refresh();
  UpdateArtMenus();
  UpdateEditMenu();
}

void frmMain::RedrawSprite() {
  picSprite->RedrawSprite();
}

void frmMain::closeEvent(QCloseEvent* event) {
  bool mayClose = false;
  if (!RunGuarded([&] { mayClose = mnuFileExit_Click(); })) mayClose = false;
  if (mayClose) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kerrow
