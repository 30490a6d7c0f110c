// Art handlers of the main window: Import Sprite, Export Sprite and the
// palette files. They ask for a file and hand over to the art core.
#include <QAction>
#include <QMenu>
#include <algorithm>
#include <filesystem>

#include "art/ArtCommands.h"
#include "editing/PaletteStripView.h"
#include "shell/Dialogs.h"
#include "shell/NamedAction.h"
#include "shell/bGlobals.h"
#include "shell/frmMain.h"

namespace kerrow {
namespace {

constexpr const char* kImageFilter =
    "Images (*.png *.bmp *.gif *.ppm *.pgm *.pbm *.xpm *.ico)|*.png;*.bmp;*.gif|"
    "All Files (*.*)|*.*";
constexpr const char* kPngFilter = "PNG Images (*.png)|*.png";
constexpr const char* kPaletteOpenFilter =
    "Palette Files (*.pal *.gpl *.bin)|*.pal;*.gpl;*.bin|Indexed Images (*.png *.bmp *.gif)|"
    "*.png;*.bmp;*.gif|All Files (*.*)|*.*";
constexpr const char* kPaletteSaveFilter =
    "JASC Palette (*.pal)|*.pal|GIMP Palette (*.gpl)|*.gpl|Console Colour Words (*.bin)|*.bin";
constexpr std::int32_t kMustExist = 4100;

// Art files usually sit beside the ROM they belong to: the file dialogs start
// in the ROM's folder, with `name` (if any) as the file offered.
std::string InRomFolder(const std::string& name) {
  const std::string& rom = G().SpriteRomPath.empty() ? G().RomPath : G().SpriteRomPath;
  if (rom.empty()) return name;
  const std::filesystem::path folder = std::filesystem::path(rom).parent_path();
  return name.empty() ? folder.string() + "/" : (folder / name).string();
}

}  // namespace

void frmMain::BuildArtMenus() {
  mnuFileImport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
  mnuFileExport = NamedAction(this, "mnuFileExport", "Expor&t Sprite...");
  mnuFileExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  mnuFile->addAction(mnuFileExport);
  mnuFilePalette = mnuFile->addMenu("P&alette");
  mnuFilePalette->setObjectName("mnuFilePalette");
  mnuFilePaletteImport = NamedAction(this, "mnuFilePaletteImport", "&Import Palette...");
  mnuFilePaletteExport = NamedAction(this, "mnuFilePaletteExport", "&Export Palette...");
  mnuFilePalette->addAction(mnuFilePaletteImport);
  mnuFilePalette->addAction(mnuFilePaletteExport);

  connect(mnuFileImport, &QAction::triggered, this, [this] { Run([&] { mnuFileImport_Click(); }); });
  connect(mnuFileExport, &QAction::triggered, this, [this] { Run([&] { mnuFileExport_Click(); }); });
  connect(mnuFilePaletteImport, &QAction::triggered, this,
          [this] { Run([&] { mnuFilePaletteImport_Click(); }); });
  connect(mnuFilePaletteExport, &QAction::triggered, this,
          [this] { Run([&] { mnuFilePaletteExport_Click(); }); });
  connect(mnuFile, &QMenu::aboutToShow, this, [this] { UpdateArtMenus(); });
  UpdateArtMenus();
}

void frmMain::UpdateArtMenus() {
  const bool sprite = SpriteImportAllowed();
  mnuFileImport->setEnabled(sprite);
  mnuFileExport->setEnabled(sprite);
  mnuFilePalette->setEnabled(PaletteFilesAllowed());
}

void frmMain::mnuFileImport_Click() {
  if (!SpriteImportAllowed()) return;
  const std::string path =
      ActiveDialogs().OpenFile(OpenFileRequest{kImportTitle, kImageFilter, kMustExist, InRomFolder("")});
  if (path.empty()) return;
  FinishSelection();
  ImportSprite(path, ImageColoursChoice::Ask, [this] {
    Frame1->Refresh();
    RedrawSprite();
  });
}

void frmMain::mnuFileExport_Click() {
  if (!SpriteImportAllowed()) return;
  // Named after the sprite loaded, not the tree's selected row, which may be
  // another sprite or a heading by now.
  std::string suggested = G().SpriteName.empty() ? "sprite" : G().SpriteName;
  std::replace(suggested.begin(), suggested.end(), '/', '_');
  std::replace(suggested.begin(), suggested.end(), '\\', '_');
  suggested += ".png";
  const std::string path =
      ActiveDialogs().SaveFile(OpenFileRequest{kExportTitle, kPngFilter, 0, InRomFolder(suggested)});
  ForgetSourcesRead();  // files read by earlier commands are not this one's inputs
  if (!path.empty()) ExportSprite(path);
}

void frmMain::mnuFilePaletteImport_Click() {
  if (!PaletteFilesAllowed()) return;
  const std::string path = ActiveDialogs().OpenFile(
      OpenFileRequest{"Import Palette", kPaletteOpenFilter, kMustExist, InRomFolder("")});
  if (path.empty()) return;
  ImportPaletteFile(path, [this] {
    Frame1->Refresh();
    RedrawSprite();
  });
}

void frmMain::mnuFilePaletteExport_Click() {
  if (!PaletteFilesAllowed()) return;
  const std::string path = ActiveDialogs().SaveFile(
      OpenFileRequest{"Export Palette", kPaletteSaveFilter, 0, InRomFolder("palette.pal")});
  ForgetSourcesRead();
  if (!path.empty()) ExportPaletteFile(path);
}

}  // namespace kerrow
