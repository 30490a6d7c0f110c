// A main window on the demo catalog of the build, with scripted dialogs and a
// scratch copy of each demo ROM in a fresh current directory.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QSettings>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

#include "TestSupport.h"
#include "catalog/bDatabase.h"
#include "editing/PaletteStripView.h"
#include "graphics/SurfaceView.h"
#include "shell/frmMain.h"

namespace kerrow::test {

// The build's bin folder: the test program, the catalog, the demo ROMs and libVantor.so.
inline std::string BinDir() {
  return QCoreApplication::applicationDirPath().toStdString();
}

inline QRgb Rgb(int r, int g, int b) {
  return qRgb(r, g, b);
}

// The build's catalog copied into `folder`, for a window that may change it:
// game.mdb, the schema, the demo and second games' databases, and `more`
// files of the bin folder.
inline void CopyBuildCatalog(const ScratchDir& folder, std::initializer_list<const char*> more = {}) {
  for (const char* name : {"game.mdb", "demo.mdb", "catalog-schema.sql"})
    std::filesystem::copy_file(BinDir() + "/" + name, folder.File(name));
  for (const char* name : more) std::filesystem::copy_file(BinDir() + "/" + name, folder.File(name));
  std::filesystem::create_directory(folder.Path() / "games");
  std::filesystem::copy_file(BinDir() + "/games/second.mdb", folder.File("games/second.mdb"));
}

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // The window reads the user's settings file: tests get one of their own,
    // so that neither the user's choices nor another test's reach them.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(scratch.File("settings")));
    G().DataPath = BinDir() + "/";
    OpenCatalog();
    window = std::make_unique<frmMain>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    rom = CopyRom("demo.bin");
  }
  void TearDown() override { window.reset(); }

  std::string CopyRom(const std::string& name) {
    const std::string copy = scratch.File(name);
    std::filesystem::copy_file(BinDir() + "/" + name, copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
  }

  void Load(const std::string& path) {
    guard.dialogs.files.push_back(path);
    window->mnuFileLoad->trigger();
  }

  QTreeWidgetItem* Node(const std::string& key) const {
    return window->FindNode(QString::fromStdString(key));
  }

  // A real double-click on the node's row in the tree.
  void DoubleClick(QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    if (item->parent()) item->parent()->setExpanded(true);
    window->tvSprites->doItemsLayout();
    window->tvSprites->scrollToItem(item);
    const QPoint at = window->tvSprites->visualItemRect(item).center();
    ASSERT_TRUE(window->tvSprites->viewport()->rect().contains(at));
    // The first click of a double-click selects the row.
    QTest::mouseClick(window->tvSprites->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window->tvSprites->viewport(), Qt::LeftButton, {}, at);
  }

  void OpenSprite(const std::string& key) { DoubleClick(Node(key)); }

  QImage Surface() const { return window->picSprite->grab().toImage(); }

  CoreFixtureGuard guard;
  ScratchDir scratch{true};
  std::unique_ptr<frmMain> window;
  std::string rom;
};

}  // namespace kerrow::test
