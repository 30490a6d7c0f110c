// The editor's main window: menus, toolbars, sprite tree, edit surface, palette
// strip and status bar. Handlers only route events to the core.
#pragma once

#include <QEvent>
#include <QIcon>
#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "editing/Tools.h"

class QAction;
class QActionGroup;
class QCloseEvent;
class QLabel;
class QMenu;
class QPainter;
class QScrollBar;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTimer;
class QTreeWidgetItem;
class QWidget;

namespace kerrow {

class ColourBox;
class PaletteStripView;
class SurfaceView;
class ToolOptionsBar;
class frmRomHeader;
class frmTileViewer;
struct GameIdentity;
struct PixelRect;

// Status panel 2 after a ROM no catalogued game matches: what to do next.
inline constexpr const char* kUnknownRomNextSteps =
    "Status: Not in the catalog. Find its art and palette with Tools > Tile Viewer, then "
    "catalogue it with Tools > Add Game to Catalog";

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // Toolbars. Buttons carry their key as objectName and data.
  QToolBar* tbMain = nullptr;
  QToolBar* tbEtc = nullptr;
  ToolOptionsBar* tbEtcOptions = nullptr;  // the current tool's options, shown in tbEtc
  QToolButton* tbMainSave = nullptr;  // the "save" button with its drop-down
  QActionGroup* tbMainTools = nullptr;
  QAction* ToolbarButton(const QString& key) const;

  QTreeWidget* tvSprites = nullptr;
  QWidget* picEdBack = nullptr;
  SurfaceView* picSprite = nullptr;
  QScrollBar* sprScrollH = nullptr;
  QScrollBar* sprScrollV = nullptr;

  PaletteStripView* Frame1 = nullptr;
  ColourBox* picFore = nullptr;
  ColourBox* picBack = nullptr;
  std::array<ColourBox*, 16> picPal{};

  QStatusBar* sbMain = nullptr;
  std::array<QLabel*, 4> sbMainPanels{};
  void SetPanelText(int panel, const QString& text);  // panel 1..4

  // Menu bar.
  QMenu* mnuFile = nullptr;
  QAction* mnuFileLoad = nullptr;
  QMenu* mnuFileSave = nullptr;
  QAction* mnuFileSaveRom = nullptr;
  QAction* mnuFileSavePalette = nullptr;
  QAction* mnuFileImport = nullptr;
  // Art in and out (frmMainArt.cpp), right after Import Sprite.
  QAction* mnuFileExport = nullptr;
  QMenu* mnuFilePalette = nullptr;
  QAction* mnuFilePaletteImport = nullptr;
  QAction* mnuFilePaletteExport = nullptr;
  QAction* mnuFileSep1 = nullptr;
  QAction* mnuFileGameInfo = nullptr;
  QAction* mnuFileSep2 = nullptr;
  QAction* mnuFileExit = nullptr;
  QMenu* mnuView = nullptr;
  QAction* mnuViewGrid = nullptr;
  QMenu* mnuViewZoom = nullptr;
  std::array<QAction*, 6> mnuViewZoomE{};
  QActionGroup* mnuViewZoomGroup = nullptr;
  QMenu* mnuCompression = nullptr;
  QAction* mnuCompressionDump = nullptr;
  QAction* mnuCompressionCompress = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuHelpTopics = nullptr;
  QAction* mnuHelpSep1 = nullptr;
  QAction* mnuHelpAbout = nullptr;

  // Tools menu and the workshop's windows (frmMainTools.cpp).
  QMenu* mnuTools = nullptr;
  QAction* mnuToolsViewer = nullptr;
  QAction* mnuToolsAddGame = nullptr;
  QAction* mnuToolsFingerprint = nullptr;
  QAction* mnuToolsSep1 = nullptr;
  QAction* mnuToolsHeader = nullptr;
  QAction* mnuToolsFixChecksum = nullptr;
  QAction* mnuToolsFixOnSave = nullptr;
  QAction* mnuToolsSep2 = nullptr;
  QAction* mnuToolsCheck = nullptr;
  frmTileViewer* TileViewer = nullptr;
  frmRomHeader* RomHeaderWindow = nullptr;
  void mnuToolsViewer_Click();
  void mnuToolsAddGame_Click();
  void mnuToolsHeader_Click();
  void mnuToolsFixOnSave_Click();
  void mnuCompressionDump_Click();
  void mnuCompressionCompress_Click();
  // Shows an identified game: status bar, palette and tree, as File > Load does.
  void ShowIdentifiedGame(const GameIdentity& game);
  void BuildToolsMenu();
  frmTileViewer& EnsureTileViewer();  // created on first use

  // Catalog corrections (frmMainCatalog.cpp): the tree's context menu, Tools >
  // Game Settings and Tools > Undo Catalog Change, beside Add Game.
  QAction* mnuToolsGameSettings = nullptr;
  QAction* mnuToolsUndoCatalog = nullptr;
  void BuildCatalogMenus();
  // The context menu of a tree node (owned by the caller); null for nodes without one.
  std::unique_ptr<QMenu> TreeMenu(QTreeWidgetItem* item);
  // Shows the context menu at a global position; tests replace it to pick an entry.
  std::function<void(QMenu&, const QPoint&)> ShowTreeMenu;
  void mnuToolsGameSettings_Click();
  void mnuToolsUndoCatalog_Click();
  // Rebuilds the tree after a catalog change, keeping what was expanded, and
  // selects the node with `selectKey`.
  void RefillTree(const QString& selectKey);
  static QString KeyOf(const QTreeWidgetItem* item);

  // The About window, created hidden at start-up; Help > About shows it.
  QWidget* AboutWindow = nullptr;
  void SetAboutWindow(QWidget* about) { AboutWindow = about; }

  // Shell commands.
  void mnuFileLoad_Click();
  void mnuFileSaveRom_Click();
  void mnuFileSavePalette_Click();
  void tbMain_ButtonClick(const QString& key);
  void SelectSprite();
  void RedrawSprite();

  // Tree building (failures leave the node out).
  QTreeWidgetItem* AddRootNode(const QString& text, const QString& key, int image);
  QTreeWidgetItem* AddChildNode(const QString& parentKey, const QString& text, const QString& key,
                                int image);
  QTreeWidgetItem* FindNode(const QString& key) const;
  // Fills the tree from the current game's node list.
  void FillTree();

  // Editing handlers (frmMainEditing.cpp).
  void picSprite_MouseDown(Qt::MouseButtons buttons, int x, int y);
  void picSprite_MouseMove(Qt::MouseButtons buttons, int x, int y);
  void picSprite_MouseUp(Qt::MouseButtons stillHeld, int x, int y);
  void Undo();
  void Redo();
  void mnuViewGrid_Click();
  void mnuViewZoomE_Click(int k);
  void sprScrollH_Change();
  void sprScrollV_Change();
  bool mnuFileExit_Click();  // false when the user cancelled
  void mnuHelpTopics_Click();
  void mnuHelpAbout_Click();
  void mnuFileGameInfo_Click();
  // Art handlers (frmMainArt.cpp).
  void mnuFileImport_Click();
  void mnuFileExport_Click();
  void mnuFilePaletteImport_Click();
  void mnuFilePaletteExport_Click();
  void UpdateArtMenus();  // enables the art entries by what is loaded
  void InitEditing();  // undo shortcuts, thumb tracking, wheel scrolling

  // The Edit menu and the Selection tool (frmMainSelection.cpp).
  QMenu* mnuEdit = nullptr;
  QAction* mnuEditCut = nullptr;
  QAction* mnuEditCopy = nullptr;
  QAction* mnuEditPaste = nullptr;
  QAction* mnuEditDelete = nullptr;
  QAction* mnuEditSelectAll = nullptr;
  QAction* mnuEditFlipHorizontal = nullptr;
  QAction* mnuEditFlipVertical = nullptr;
  void mnuEditCut_Click();
  void mnuEditCopy_Click();
  void mnuEditPaste_Click();
  void mnuEditDelete_Click();
  void mnuEditSelectAll_Click();
  void mnuEditFlipHorizontal_Click();
  void mnuEditFlipVertical_Click();
  void UpdateEditMenu();  // enables the entries by the selection, the sprite and the clipboard
  void InitSelection();   // the Edit menu, the outline, the keys
  // Pointer events while the Selection tool is current; false for the other tools.
  bool SelectionPointer(QEvent::Type type, PointerButtons buttons, int x, int y);
  bool picSprite_KeyDown(int key, Qt::KeyboardModifiers modifiers);  // true when used
  // Drops a floating selection where it is, before anything else changes the pixels.
  void FinishSelection();
  // Ends the program once Exit is confirmed; by default leaves the event loop.
  std::function<void()> EndProgram;

  // Runs a command; a failure is shown in a box and the program keeps running.
  // Status panel 2 says "Status: Ready" at the start of each command, and what
  // was saved where when the command saved something.
  void Run(const std::function<void()>& command);
  // Runs `handler` through Run whenever `action` is triggered.
  void RouteAction(QAction* action, void (frmMain::*handler)());
  void ShowReady();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildArtMenus();  // frmMainArt.cpp
  void BuildToolbars();
  void BuildCentre();
  void BuildStatusBar();
  void LoadWindow();
  void ShowPaletteAsSaved();
  void ClearEditSurface();
  void ShowGameGone();  // after an undo took the open ROM's game away
  void ShowPickedColours(Qt::MouseButtons buttons);
  void ShowPixelUnderPointer(QPointF onSurface);
  void ZoomAround(int steps, QPointF inViewport);  // Ctrl + wheel
  QTimer* sprayTimer_ = nullptr;  // the Spray can's ticks while a button is held
  void ShowSelectionChange(const PixelRect& area);  // repaints `area` and the outline
  void PaintSelection(QPainter& painter, const QRect& exposed) const;
  void PaintOutline(QPainter& painter, const PixelRect& bounds) const;
  void MarchAnts();

  QTimer* selectionAnts_ = nullptr;  // moves the outline's dashes while there is a selection
  int antsPhase_ = 0;

  std::array<QIcon, 2> treeIcons_;  // ilTv: heading, sprite
  int runDepth_ = 0;                // commands run from within a command report through it
};

}  // namespace kerrow
