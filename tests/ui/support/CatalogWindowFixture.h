// The main window on a data directory of its own (the demo catalog plus the
// schema), with an uncatalogued cartridge-shaped ROM beside it: code, tiles,
// palette lines at known offsets, padding, and one tile that shows every
// palette index in order.
#pragma once

#include <QListWidget>
#include <QTest>
#include <filesystem>
#include <map>

#include "RomShapedImage.h"
#include "WindowFixture.h"
#include "workshop/PaletteFinderPanel.h"
#include "workshop/TileViewerView.h"
#include "workshop/frmTileViewer.h"

namespace kerrow::test {

inline constexpr std::int64_t kFoundPalette = 0x8A40;  // the likeliest palette line
inline constexpr std::int64_t kSecondPalette = 0xC102;  // four more lines from here
inline constexpr std::int64_t kIndexTile = 0x9000;      // rows 0-1: indices 0 to 15
inline constexpr std::int64_t kFrames = 0x9400;         // four 2x2 frames, column by column

inline std::vector<std::uint8_t> FoundRomBytes() {
  RomShapedImage rom(0x20000, "GM FOUND002-00", "FOUND PALETTES");
  rom.Code(0x200, kFoundPalette - 2 - 0x200);
  rom.Words(kFoundPalette - 2, {0x0000}).Words(kFoundPalette, SamplePalette(0));
  rom.Words(kFoundPalette + 32, {0x4E75}).Code(kFoundPalette + 34, 0x9000 - kFoundPalette - 34, 5);
  rom.Tiles(0x9000, 384);
  rom.Fill(kIndexTile, 32, 0).Words(kIndexTile, {0x0123, 0x4567, 0x89AB, 0xCDEF});
  // Frame f's tile t (column by column) is filled with index 1 + (4f + t) % 15.
  for (int tile = 0; tile < 16; ++tile)
    rom.Fill(kFrames + 32 * tile, 32, static_cast<std::uint8_t>(0x11 * (1 + tile % 15)));
  rom.Words(kSecondPalette - 2, {0x4E75});
  for (int line = 0; line < 4; ++line) rom.Words(kSecondPalette + 32 * line, SamplePalette(line));
  rom.Words(kSecondPalette + 128, {0x4E75})
      .Code(kSecondPalette + 130, 0xD000 - kSecondPalette - 130, 9);
  rom.Fill(0xD000, 0x8000, 0x00);
  return rom.Bytes();
}

// A colour word as the screen shows it, decoded here from its levels.
inline QRgb WordColour(std::uint16_t word) {
  return qRgb((word & 0xE) * 16, (word >> 4 & 0xE) * 16, (word >> 8 & 0xE) * 16);
}

inline std::map<std::string, std::vector<unsigned char>> FilesOf(const std::filesystem::path& dir) {
  std::map<std::string, std::vector<unsigned char>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) files[entry.path().string()] = ReadBytes(entry.path().string());
  return files;
}

class CatalogWindowFixture : public WindowFixture {
 protected:
  void SetUp() override {
    CopyBuildCatalog(data, {"demo.bin"});
    WindowFixture::SetUp();
    G().DataPath = data.Path().string() + "/";
    OpenCatalog();
    found = scratch.File("shaped.bin");
    const auto bytes = FoundRomBytes();
    WriteBytes(found, {bytes.begin(), bytes.end()});
    demo = data.File("demo.bin");
  }

  frmTileViewer& Viewer() {
    window->mnuToolsViewer->trigger();
    EXPECT_NE(window->TileViewer, nullptr);
    return *window->TileViewer;
  }

  // Loads the found ROM and adds its game with the palette at `palette`.
  void CatalogueFound(const std::string& palette = "0x8A40") {
    Load(found);
    guard.dialogs.texts.push_back(palette);
    window->mnuToolsAddGame->trigger();
    guard.dialogs.shown.clear();
  }

  // Drags over view tiles with the given button, as a user would.
  static void Drag(TileViewerView* view, QPoint from, QPoint to, Qt::MouseButton button) {
    const int side = 8 * view->Zoom();
    auto centre = [&](QPoint tile) {
      return QPoint(tile.x() * side + side / 2, tile.y() * side + side / 2);
    };
    QTest::mousePress(view, button, {}, centre(from));
    QMouseEvent move(QEvent::MouseMove, centre(to), view->mapToGlobal(centre(to)), Qt::NoButton,
                     button, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, button, {}, centre(to));
  }

  // The 16 colours the viewer paints for palette indices 0 to 15, read from
  // the index tile on screen.
  static std::vector<QRgb> ShownIndices(frmTileViewer& viewer) {
    EXPECT_TRUE(viewer.GoToOffset(QString::number(kIndexTile)));
    const QImage shown = viewer.picTiles->grab().toImage();
    const int zoom = viewer.picTiles->Zoom();
    std::vector<QRgb> colours;
    for (int index = 0; index < 16; ++index)
      colours.push_back(shown.pixel(index % 8 * zoom, index / 8 * zoom));
    return colours;
  }

  ScratchDir data;
  std::string found;
  std::string demo;
};

}  // namespace kerrow::test
