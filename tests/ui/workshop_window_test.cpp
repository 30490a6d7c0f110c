// The catalog workshop driven through the main window: a ROM no catalog knows
// is catalogued, a sprite found in the tile viewer is added, edited and saved,
// the checksum fixed; refusals leave the catalog untouched.
#include <sqlite3.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QWheelEvent>

#include "bridge/Binding.h"
#include "support/CatalogWindowFixture.h"
#include "workshop/CatalogCheck.h"
#include "workshop/SaveHooks.h"
#include "workshop/TileViewerView.h"
#include "workshop/frmRomHeader.h"
#include "workshop/frmTileViewer.h"

namespace kerrow::test {
namespace {

constexpr std::size_t kRomSize = 0x8000;
constexpr std::int64_t kPalette = 0x1000;
constexpr std::int64_t kSprite = 0x2000;  // a 2x2 sprite stored column by column

// A cartridge no catalog knows: header, a palette and four tiles. Tile k is
// filled with index k + 1, its top-left pixel with 15.
std::vector<unsigned char> UnknownRom() {
  std::vector<unsigned char> rom(kRomSize, 0);
  auto put = [&](std::size_t at, std::size_t length, const std::string& text) {
    for (std::size_t i = 0; i < length; ++i) rom[at + i] = i < text.size() ? text[i] : ' ';
  };
  put(0x100, 16, "SEGA MEGA DRIVE");
  put(0x120, 48, "FOUND TILES");
  put(0x150, 48, "FOUND TILES OVERSEAS");
  put(0x180, 14, "GM FOUND001-00");
  put(0x1F0, 16, "U");
  for (int i = 0; i < 16; ++i) rom[kPalette + 2 * i + 1] = static_cast<unsigned char>(2 * i);
  for (int k = 0; k < 4; ++k) {
    const unsigned char fill = static_cast<unsigned char>((k + 1) * 0x11);
    std::fill_n(rom.begin() + kSprite + 32 * k, 32, fill);
    rom[kSprite + 32 * k] = static_cast<unsigned char>(0xF0 | (k + 1));
  }
  return rom;
}

// The stored checksum must equal this sum, counted here byte by byte.
std::uint16_t Sum(const std::vector<unsigned char>& rom) {
  unsigned sum = 0;
  for (std::size_t i = 0x200; i < rom.size(); ++i) sum += i % 2 == 0 ? rom[i] << 8 : rom[i];
  return static_cast<std::uint16_t>(sum);
}

class Workshop : public CatalogWindowFixture {
 protected:
  void SetUp() override {
    CatalogWindowFixture::SetUp();
    unknown = scratch.File("found.bin");
    WriteBytes(unknown, UnknownRom());
  }
  void TearDown() override {
    CatalogWindowFixture::TearDown();
    SetFixChecksumOnSave(false);
    ResetBindings();
  }

  // The status line after the pointer rests on a view tile.
  static QString HoverStatus(frmTileViewer& viewer, QPoint tile) {
    const int side = 8 * viewer.picTiles->Zoom();
    const QPoint at(tile.x() * side + 1, tile.y() * side + 1);
    QMouseEvent move(QEvent::MouseMove, at, viewer.picTiles->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewer.picTiles, &move);
    return viewer.lblStatus->text();
  }

  std::string unknown;
};

TEST_F(Workshop, AnUnknownRomIsCataloguedEditedSavedAndChecked) {
  Load(unknown);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);  // the unsupported-ROM box
  guard.dialogs.shown.clear();

  // Add the game; its palette offset is typed as the viewer showed it.
  emit window->mnuTools->aboutToShow();
  EXPECT_TRUE(window->mnuToolsAddGame->isEnabled());
  guard.dialogs.texts.push_back("0x1000");
  window->mnuToolsAddGame->trigger();
  EXPECT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;
  EXPECT_EQ(window->sbMainPanels[0]->text(), "Game: FOUND TILES OVERSEAS");
  EXPECT_NE(Node("TVRLHEADCOMP"), nullptr);
  emit window->mnuTools->aboutToShow();
  EXPECT_FALSE(window->mnuToolsAddGame->isEnabled());
  EXPECT_EQ(window->picPal[1]->Colour(), QColor(32, 0, 0));  // word 0002 of the palette

  // Find the sprite: blocks of 2x2 tiles, column by column, from 0x2000.
  frmTileViewer& viewer = Viewer();
  viewer.cboOrder->setCurrentIndex(1);
  viewer.spnBlockWidth->setValue(2);
  viewer.spnBlockHeight->setValue(2);
  ASSERT_TRUE(viewer.GoToOffset("0x2000"));
  EXPECT_TRUE(HoverStatus(viewer, {1, 0}).startsWith("Offset: 0x2040"));
  EXPECT_TRUE(HoverStatus(viewer, {0, 1}).startsWith("Offset: 0x2020"));
  Drag(viewer.picTiles, {0, 0}, {1, 1}, Qt::LeftButton);
  EXPECT_EQ(viewer.picTiles->Selection().Width, 2);

  guard.dialogs.spriteForms.push_back(SpriteFormAnswer{"Hero", -1, "Heroes", 0, false, 0});
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.spriteFormRequests.size(), 1u);
  EXPECT_EQ(guard.dialogs.spriteFormRequests[0].widthTiles, 2);
  EXPECT_TRUE(guard.dialogs.shown.empty()) << guard.dialogs.shown[0].text;

  // The sprite is open, whole: tile (tx, ty) holds stored tile tx * 2 + ty.
  ASSERT_TRUE(G().SpriteLoaded);
  EXPECT_EQ(window->tvSprites->currentItem()->text(0), "Hero");
  for (int ty = 0; ty < 2; ++ty)
    for (int tx = 0; tx < 2; ++tx) {
      EXPECT_EQ(G().SpritePixels.At(8 * tx, 8 * ty), 15);
      EXPECT_EQ(G().SpritePixels.At(8 * tx + 1, 8 * ty), tx * 2 + ty + 1);
    }

  // Draw into tile (1, 0) and save: only its bytes at 0x2040 change.
  const auto before = ReadBytes(unknown);
  G().SpritePixels.At(9, 0) = 7;
  G().SpritePixels.At(10, 3) = 12;
  G().SpriteDirty = true;
  window->mnuFileSaveRom->trigger();
  const auto after = ReadBytes(unknown);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i == 0x2040)
      EXPECT_EQ(after[i], 0xF7);  // pixels 15, 7
    else if (i == 0x2040 + 3 * 4 + 1)
      EXPECT_EQ(after[i], 0xC3);  // row 3: pixels 12, 3
    else
      ASSERT_EQ(after[i], before[i]) << i;
  }

  // Fix the checksum (asked first), and the catalog checks clean.
  guard.dialogs.answers.push_back(MsgAnswer::Yes);
  window->mnuToolsFixChecksum->trigger();
  const auto fixed = ReadBytes(unknown);
  EXPECT_EQ(fixed[0x18E] << 8 | fixed[0x18F], Sum(after));
  EXPECT_EQ(CheckCatalog(unknown).Problems, std::vector<std::string>{});
}

TEST_F(Workshop, RefusedAdditionsLeaveTheCatalogByteIdentical) {
  const auto catalog = FilesOf(data.Path());
  // An unknown ROM: Add Sprite refuses before asking anything.
  Load(unknown);
  guard.dialogs.shown.clear();
  frmTileViewer& viewer = Viewer();
  Drag(viewer.picTiles, {0, 0}, {0, 0}, Qt::LeftButton);
  guard.dialogs.spriteForms.push_back(SpriteFormAnswer{"Hero", 0, "", 0, false, 0});
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("not in the catalog"), std::string::npos);
  EXPECT_TRUE(guard.dialogs.spriteFormRequests.empty());
  EXPECT_EQ(FilesOf(data.Path()), catalog);
  guard.dialogs.spriteForms.clear();

  // A duplicate name in a catalogued game.
  Load(data.File("demo.bin"));
  guard.dialogs.shown.clear();
  window->mnuToolsViewer->trigger();
  Drag(viewer.picTiles, {0, 0}, {1, 0}, Qt::LeftButton);
  guard.dialogs.spriteForms.push_back(SpriteFormAnswer{"Knight", 0, "", 0, false, 0});
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("already exists"), std::string::npos);
  EXPECT_EQ(FilesOf(data.Path()), catalog);

  // A palette offset beyond 32 bits, whose low bits would name a place inside the ROM.
  guard.dialogs.shown.clear();
  Drag(viewer.picTiles, {0, 0}, {1, 0}, Qt::LeftButton);
  guard.dialogs.spriteForms.push_back(
      SpriteFormAnswer{"Far", 0, "", std::int64_t{0x100001000}, false, 0});
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("is not inside the ROM"), std::string::npos)
      << guard.dialogs.shown[0].text;
  EXPECT_EQ(FilesOf(data.Path()), catalog);

  // The viewer still shows this ROM after another one was loaded.
  Load(unknown);
  guard.dialogs.shown.clear();
  Load(data.File("demo.bin"));
  guard.dialogs.shown.clear();
  window->TileViewer->ShowSource({unknown, unknown});
  Drag(viewer.picTiles, {0, 0}, {0, 0}, Qt::LeftButton);
  guard.dialogs.spriteForms.push_back(SpriteFormAnswer{"Stray", 0, "", 0, false, 0});
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("another ROM"), std::string::npos);
  EXPECT_EQ(FilesOf(data.Path()), catalog);
}

TEST_F(Workshop, ACompressedStreamIsDumpedAndItsSpriteAdded) {
  Load(data.File("demo.bin"));
  // The demo's "Smoke" stream: where it lies and how long it is, read here from the catalog.
  auto game = Database::Open(data.File("demo.mdb"));
  auto compressed = game->OpenTable("COMPRESSED");
  ASSERT_TRUE(compressed->Seek("Smoke"));
  const std::int32_t offset = compressed->Long("Offset");

  guard.dialogs.texts.push_back(std::to_string(offset));
  window->mnuCompressionDump->trigger();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  const std::string report = guard.dialogs.shown[0].text;
  EXPECT_NE(report.find("decompresses to"), std::string::npos) << report;
  frmTileViewer& viewer = *window->TileViewer;
  ASSERT_TRUE(viewer.Source().Decompressed);
  const std::int64_t length = viewer.Source().StreamLength;
  // The stream's own length: MaxSize in the demo is that plus 32 bytes of room.
  EXPECT_EQ(length + 32, compressed->Long("MaxSize"));
  EXPECT_NE(report.find(std::to_string(length) + " bytes long"), std::string::npos) << report;

  Drag(viewer.picTiles, {0, 0}, {0, 0}, Qt::LeftButton);
  // A larger room needs a warning; No adds nothing.
  guard.dialogs.shown.clear();
  guard.dialogs.spriteForms.push_back(
      SpriteFormAnswer{"Puff", -1, "Dumps", 0, false, static_cast<std::int32_t>(length + 10)});
  guard.dialogs.answers.push_back(MsgAnswer::No);
  const auto catalog = FilesOf(data.Path());
  viewer.cmdAddSprite->click();
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("must be free"), std::string::npos);
  EXPECT_EQ(FilesOf(data.Path()), catalog);

  guard.dialogs.shown.clear();
  guard.dialogs.spriteForms.push_back(
      SpriteFormAnswer{"Puff", -1, "Dumps", 0, false, static_cast<std::int32_t>(length)});
  viewer.cmdAddSprite->click();
  // The check after the addition shows what is new: "Smoke" owns the same stream.
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find(
                "COMPRESSED \"Puff\": writes the same ROM bytes as COMPRESSED \"Smoke\""),
            std::string::npos)
      << guard.dialogs.shown[0].text;
  ASSERT_NE(Node("TVRLHEADCOMPCHILD_Puff"), nullptr);
  EXPECT_TRUE(G().SpriteLoaded);
  EXPECT_TRUE(G().SpriteIsCompressed);
  TableView& rows = GameTableView(kCompressed);
  ASSERT_TRUE(rows.Seek("Puff"));
  EXPECT_EQ(rows.Long("Offset"), offset);
  EXPECT_EQ(rows.Long("MaxSize"), length);
  EXPECT_EQ(rows.Text("SubHead"), "Dumps");
  EXPECT_EQ(rows.Text("White"), "0,0,0");
}

TEST_F(Workshop, HeaderWindowMarksAWrongChecksumAndFixOnSaveIsRemembered) {
  auto rom = UnknownRom();
  rom[0x18E] = 0x12;
  rom[0x18F] = 0x34;
  // Header bytes are one character each, whatever their value: never decoded as UTF-8.
  rom[0x120 + 11] = 0xC9;
  WriteBytes(unknown, rom);
  Load(unknown);
  guard.dialogs.shown.clear();
  window->mnuToolsHeader->trigger();
  frmRomHeader& header = *window->RomHeaderWindow;
  EXPECT_EQ(header.txtDomestic->text(), QString::fromLatin1("FOUND TILES\xC9"));
  EXPECT_EQ(header.txtOverseas->text(), "FOUND TILES OVERSEAS");
  EXPECT_EQ(header.txtSerial->text(), "GM FOUND001-00");
  EXPECT_EQ(header.txtStored->text(), "1234");
  EXPECT_EQ(header.txtComputed->text(), QString("%1").arg(Sum(rom), 4, 16, QChar('0')).toUpper());
  EXPECT_TRUE(header.lblChecksum->text().contains("differ"));

  // Declining the confirmation writes nothing.
  guard.dialogs.answers.push_back(MsgAnswer::No);
  header.cmdFix->click();
  EXPECT_EQ(ReadBytes(unknown), rom);

  // Off by default; on, a palette save fixes the checksum too, and the choice is kept.
  EXPECT_FALSE(window->mnuToolsFixOnSave->isChecked());
  window->mnuToolsFixOnSave->trigger();
  EXPECT_TRUE(window->mnuToolsFixOnSave->isChecked());
  G().PaletteRomPath = unknown;
  G().PaletteOffset = static_cast<std::int32_t>(kPalette) + 3;
  for (int i = 1; i < 16; ++i) G().Palette.Entries[i].StoredBytes = "0 " + std::to_string(2 * i);
  window->mnuFileSavePalette->trigger();
  const auto saved = ReadBytes(unknown);
  EXPECT_EQ(saved[0x18E] << 8 | saved[0x18F], Sum(saved));
  auto expected = rom;
  expected[0x18E] = saved[0x18E];
  expected[0x18F] = saved[0x18F];
  EXPECT_EQ(saved, expected);  // the palette was already these bytes

  frmMain second;
  EXPECT_TRUE(second.mnuToolsFixOnSave->isChecked());
}

TEST_F(Workshop, TheViewerFollowsTheOpenRomAndItsChanges) {
  Load(unknown);
  frmTileViewer& viewer = Viewer();
  ASSERT_TRUE(viewer.GoToOffset("0x2000"));
  viewer.spnZoom->setValue(1);
  viewer.cboPalette->setCurrentIndex(1);
  viewer.txtPaletteOffset->setText("0x1000");
  viewer.UpdateColours();
  auto pixel = [&] { return viewer.picTiles->grab().toImage().pixel(0, 0); };
  const QRgb before = pixel();
  // The ROM changes on disk (a save, say): coming back to the viewer shows it.
  auto bytes = ReadBytes(unknown);
  std::fill_n(bytes.begin() + 0x2000, 32, 0x88);
  WriteBytes(unknown, bytes);
  QEvent activate(QEvent::WindowActivate);
  QCoreApplication::sendEvent(&viewer, &activate);
  EXPECT_NE(pixel(), before);
  EXPECT_EQ(viewer.picTiles->Layout().Start, 0x2000);
  // Another ROM opened meanwhile: the viewer shows that one.
  Load(data.File("demo.bin"));
  QCoreApplication::sendEvent(&viewer, &activate);
  EXPECT_EQ(viewer.Source().Path, data.File("demo.bin"));
}

// The viewer reads its palette from the ROM on disk: a ROM that went away
// meanwhile gets a box, and the editor keeps running.
TEST_F(Workshop, APaletteFromARomThatWentAwayIsReportedNotFatal) {
  Load(unknown);
  frmTileViewer& viewer = Viewer();
  guard.dialogs.shown.clear();
  viewer.txtPaletteOffset->setText("0x1000");
  std::filesystem::rename(unknown, scratch.File("moved.bin"));
  viewer.cboPalette->setCurrentIndex(1);
  ASSERT_EQ(guard.dialogs.shown.size(), 1u);
  EXPECT_NE(guard.dialogs.shown[0].text.find("found.bin"), std::string::npos)
      << guard.dialogs.shown[0].text;
  emit viewer.txtPaletteOffset->editingFinished();
  EXPECT_EQ(guard.dialogs.shown.size(), 2u);
  EXPECT_TRUE(window->isEnabled());
}

TEST_F(Workshop, APaletteOffsetOutsideTheRomIsSaidNotSilentlyReplaced) {
  Load(unknown);
  frmTileViewer& viewer = Viewer();
  guard.dialogs.shown.clear();
  viewer.txtPaletteOffset->setText("0x1000");
  viewer.cboPalette->setCurrentIndex(1);
  EXPECT_TRUE(guard.dialogs.shown.empty());
  for (const char* bad : {"0x7FFFFFF0", "-5", "banana"}) {
    guard.dialogs.shown.clear();
    viewer.txtPaletteOffset->setText(bad);
    emit viewer.txtPaletteOffset->editingFinished();
    ASSERT_EQ(guard.dialogs.shown.size(), 1u) << bad;
    EXPECT_NE(guard.dialogs.shown[0].text.find(bad), std::string::npos)
        << guard.dialogs.shown[0].text;
  }
  EXPECT_EQ(ReadBytes(unknown), UnknownRom());
}

TEST_F(Workshop, ADragThatLeavesTheViewSelectsOnlyTilesItShows) {
  Load(unknown);
  frmTileViewer& viewer = Viewer();
  viewer.spnTilesPerRow->setValue(4);
  TileViewerView* view = viewer.picTiles;
  const int side = 8 * view->Zoom();
  auto dragTo = [&](QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(side + 1, side + 1));
    QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
    return view->Selection();
  };
  const TileRect upLeft = dragTo({-5 * side, -5 * side});
  EXPECT_EQ(upLeft.X, 0);
  EXPECT_EQ(upLeft.Y, 0);
  EXPECT_EQ(upLeft.Width, 2);
  EXPECT_EQ(upLeft.Height, 2);
  const TileRect right = dragTo({40 * side, side + 1});
  EXPECT_EQ(right.X, 1);
  EXPECT_EQ(right.Width, 3);  // up to the fourth and last column
}

TEST_F(Workshop, ViewerKeysAndWheelMoveByByteTileRowAndPage) {
  Load(unknown);
  frmTileViewer& viewer = Viewer();
  TileViewerView* view = viewer.picTiles;
  viewer.spnTilesPerRow->setValue(4);
  view->setFocus();
  auto start = [&] { return view->Layout().Start; };
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_EQ(start(), 1);
  QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(start(), 33);
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(start(), 33 + 4 * 32);
  QTest::keyClick(view, Qt::Key_Left);
  EXPECT_EQ(start(), 32 + 4 * 32);
  const std::int64_t page = (view->VisibleRows() - 1) * 4 * 32;
  QTest::keyClick(view, Qt::Key_PageDown);
  EXPECT_EQ(start(), 32 + 4 * 32 + page);
  QTest::keyClick(view, Qt::Key_Home);
  EXPECT_EQ(start(), 0);
  QTest::keyClick(view, Qt::Key_Up);  // never before the first byte
  EXPECT_EQ(start(), 0);
  // One wheel notch down moves three rows; the scroll bar and offset box follow.
  const QPoint centre = view->rect().center();
  QWheelEvent wheel(centre, view->mapToGlobal(centre), {}, {0, -120}, Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(view, &wheel);
  EXPECT_EQ(start(), 3 * 4 * 32);
  EXPECT_EQ(viewer.sprRows->value(), 3);
  EXPECT_EQ(viewer.txtOffset->text(), "0x180");
  // The scroll bar keeps the byte phase of an unaligned start.
  ASSERT_TRUE(viewer.GoToOffset("5"));
  viewer.sprRows->setValue(2);
  EXPECT_EQ(start(), 5 + 2 * 4 * 32);
  EXPECT_FALSE(viewer.GoToOffset("0x999999"));
  EXPECT_EQ(start(), 5 + 2 * 4 * 32);
}

}  // namespace
}  // namespace kerrow::test
