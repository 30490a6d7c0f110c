// Import Sprite, Export Sprite and the palette files from the File menu, on a
// copy of the demo cartridge.
#include <QAction>
#include <QMenu>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "art/SpriteImage.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

using ArtMenus = WindowFixture;

// The Knight's tile (0, 0) lies at 12288 of the demo ROM.
constexpr std::size_t kKnightFirstTile = 12288;

TEST_F(ArtMenus, EntriesAreEnabledOnlyWhileTheirDataIsLoaded) {
  frmMain& w = *window;
  EXPECT_FALSE(w.mnuFileImport->isEnabled());
  EXPECT_FALSE(w.mnuFileExport->isEnabled());
  EXPECT_FALSE(w.mnuFilePalette->isEnabled());
  EXPECT_EQ(w.mnuFileImport->shortcut(), QKeySequence("Ctrl+I"));
  EXPECT_EQ(w.mnuFileExport->shortcut(), QKeySequence("Ctrl+E"));
  Load(rom);
  EXPECT_FALSE(w.mnuFileImport->isEnabled());
  EXPECT_TRUE(w.mnuFilePalette->isEnabled());
  OpenSprite("TVRLCHILD_Knight");
  EXPECT_TRUE(w.mnuFileImport->isEnabled());
  EXPECT_TRUE(w.mnuFileExport->isEnabled());
}

TEST_F(ArtMenus, ExportedKnightEditedAndImportedIsOneUndoStepAndReachesTheRomOnSave) {
  Load(rom);
  OpenSprite("TVRLCHILD_Knight");
  const PixelGrid loaded = G().SpritePixels;
  const auto romBefore = ReadBytes(rom);

  guard.dialogs.saveFiles.push_back(scratch.File("knight.png"));
  window->mnuFileExport->trigger();
  ASSERT_EQ(guard.dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(guard.dialogs.saveRequests[0].fileName, scratch.File("Knight.png"));  // beside the ROM
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(scratch.File("knight.png"))));
  ASSERT_EQ(image.format(), QImage::Format_Indexed8);

  // Top-left pixel to index 3, whose colour the image also changes.
  image.setPixel(0, 0, 3);
  image.setColor(3, qRgb(250, 10, 130));
  ASSERT_TRUE(image.save(QString::fromStdString(scratch.File("edited.png"))));
  guard.dialogs.files.push_back(scratch.File("edited.png"));
  guard.dialogs.answers.push_back(MsgAnswer::Yes);  // take the image's colours
  window->mnuFileImport->trigger();

  EXPECT_EQ(G().SpritePixels.At(0, 0), 3);
  EXPECT_TRUE(G().SpriteDirty);
  EXPECT_TRUE(G().PaletteDirty);
  EXPECT_EQ(G().Palette.Entries[3].Colour, SnapToConsole(250 | 10 << 8 | 130u << 16));
  EXPECT_EQ(QColor(Surface().pixel(2, 2)), QColor(224, 0, 128));
  EXPECT_EQ(ReadBytes(rom), romBefore);  // nothing reaches the ROM before Save

  window->Undo();
  EXPECT_EQ(G().SpritePixels, loaded);
  window->Redo();
  EXPECT_EQ(G().SpritePixels.At(0, 0), 3);

  window->mnuFileSaveRom->trigger();
  const auto romAfter = ReadBytes(rom);
  EXPECT_EQ(romAfter[kKnightFirstTile] >> 4, 3);
  EXPECT_FALSE(G().SpriteDirty);
}

// Clicking around the tree after a load must not rename what Export writes:
// Knight's pixels offered as "Gem.png" come back later into the wrong sprite.
TEST_F(ArtMenus, ExportSuggestsTheLoadedSpritesNameWhateverRowIsSelected) {
  Load(rom);
  OpenSprite("TVRLCHILD_Knight");
  QTreeWidgetItem* gem = Node("TVRLCHILD_Gem");
  ASSERT_NE(gem, nullptr);
  for (QTreeWidgetItem* row : {gem, gem->parent()}) {
    window->tvSprites->setCurrentItem(row);
    window->mnuFileExport->trigger();
    ASSERT_FALSE(guard.dialogs.saveRequests.empty());
    EXPECT_EQ(guard.dialogs.saveRequests.back().fileName, scratch.File("Knight.png"))
        << row->text(0).toStdString();
  }
}

TEST_F(ArtMenus, RefusedImageExplainsAndChangesNothing) {
  Load(rom);
  OpenSprite("TVRLCHILD_Knight");
  const PixelGrid loaded = G().SpritePixels;
  QImage small(8, 8, QImage::Format_RGB32);
  small.fill(Qt::black);
  ASSERT_TRUE(small.save(QString::fromStdString(scratch.File("small.png"))));
  guard.dialogs.files.push_back(scratch.File("small.png"));
  guard.dialogs.shown.clear();
  window->mnuFileImport->trigger();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("8 x 8"), std::string::npos);
  EXPECT_NE(guard.dialogs.shown[0].text.find("32 x 32"), std::string::npos);
  EXPECT_EQ(G().SpritePixels, loaded);
  EXPECT_FALSE(G().SpriteDirty);
}

TEST_F(ArtMenus, CancelAtThePaletteQuestionImportsNothing) {
  Load(rom);
  OpenSprite("TVRLCHILD_Knight");
  const PixelGrid loaded = G().SpritePixels;
  guard.dialogs.saveFiles.push_back(scratch.File("knight.png"));
  window->mnuFileExport->trigger();
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(scratch.File("knight.png"))));
  image.setPixel(5, 5, 9);
  ASSERT_TRUE(image.save(QString::fromStdString(scratch.File("edited.png"))));
  guard.dialogs.files.push_back(scratch.File("edited.png"));
  guard.dialogs.answers.push_back(MsgAnswer::Cancel);
  window->mnuFileImport->trigger();
  ASSERT_FALSE(guard.dialogs.shown.empty());
  EXPECT_EQ(guard.dialogs.shown.back().buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(G().SpritePixels, loaded);
  EXPECT_FALSE(G().SpriteDirty);
  EXPECT_FALSE(G().PaletteDirty);
}

TEST_F(ArtMenus, PaletteEntriesFollowTheOpenRomOnly) {
  Load(rom);
  EXPECT_TRUE(window->mnuFilePalette->isEnabled());
  const std::string unknown = scratch.File("unknown.bin");
  WriteBytes(unknown, std::vector<unsigned char>(4096, 0));
  Load(unknown);  // not a catalogued game: its palette was never loaded
  EXPECT_FALSE(window->mnuFilePalette->isEnabled());
}

TEST_F(ArtMenus, PaletteExportThenImportRestoresAnEditedEntry) {
  Load(rom);
  const DisplayColour entry4 = G().Palette.Entries[4].Colour;
  guard.dialogs.saveFiles.push_back(scratch.File("game.gpl"));
  window->mnuFilePaletteExport->trigger();
  G().Palette.Entries[4].Colour = 0;
  guard.dialogs.files.push_back(scratch.File("game.gpl"));
  window->mnuFilePaletteImport->trigger();
  EXPECT_EQ(G().Palette.Entries[4].Colour, entry4);
  EXPECT_TRUE(G().PaletteDirty);
}

// Runs the built kerrow-cli on the build's demo catalog; returns its exit status.
int RunCli(const std::string& arguments) {
  const std::string command =
      BinDir() + "/kerrow-cli --data '" + BinDir() + "' " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Entry 0 starts as the desktop's colour in the editor, which kerrow-cli does
// not know: the files must not depend on it, only on a colour the user chose.
TEST_F(ArtMenus, EditorAndCliWriteTheSameFilesAndDialogsStartBesideTheRom) {
  Load(rom);
  guard.dialogs.saveFiles.push_back(scratch.File("editor.bin"));
  window->mnuFilePaletteExport->trigger();
  EXPECT_EQ(guard.dialogs.saveRequests.back().fileName, scratch.File("palette.pal"));
  OpenSprite("TVRLCHILD_Knight");
  guard.dialogs.saveFiles.push_back(scratch.File("editor.png"));
  window->mnuFileExport->trigger();
  ASSERT_EQ(RunCli("export '" + rom + "' Knight '" + scratch.File("cli.png") + "'"), 0);
  ASSERT_EQ(RunCli("palette export '" + rom + "' '" + scratch.File("cli.bin") + "'"), 0);
  EXPECT_EQ(ReadBytes(scratch.File("editor.png")), ReadBytes(scratch.File("cli.png")));
  EXPECT_EQ(ReadBytes(scratch.File("editor.bin")), ReadBytes(scratch.File("cli.bin")));

  // A colour chosen for entry 0 is the one written.
  guard.dialogs.colours.push_back(0x00FF00FFu);
  QTest::mouseDClick(window->picPal[0], Qt::LeftButton, {}, window->picPal[0]->rect().center());
  guard.dialogs.saveFiles.push_back(scratch.File("magenta.png"));
  window->mnuFileExport->trigger();
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(scratch.File("magenta.png"))));
  EXPECT_EQ(image.color(0) & 0xFFFFFF, qRgb(255, 0, 255) & 0xFFFFFF);
  EXPECT_EQ(qAlpha(image.color(0)), 0);

  for (QAction* open : {window->mnuFileImport, window->mnuFilePaletteImport}) {
    open->trigger();  // cancelled
    EXPECT_EQ(guard.dialogs.fileRequests.back().fileName, scratch.Path().string() + "/");
  }
}

}  // namespace
}  // namespace kerrow::test
