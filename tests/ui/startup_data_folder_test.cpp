// The editor started on a catalog folder of the user's choice (--data, then
// KERROW_DATA), and Help > About naming the folder in use.
#include <QLabel>

#include <cstdlib>

#include "shell/EditorMain.h"
#include "support/CatalogCopy.h"
#include "support/WindowFixture.h"

namespace kerrow::test {
namespace {

QString AboutFolderText(const EditorSession& session) {
  const auto* label = session.Window->AboutWindow->findChild<QLabel*>("lblDataFolder");
  return label ? label->text() : QString("(no label)");
}

TEST(StartupDataFolder, DataOptionThenKerrowDataChooseTheCatalogAndAboutNamesIt) {
  CoreFixtureGuard guard;
  ScratchDir dir;
  const CatalogCopy copy(dir);
  const std::string chosen = (dir.Path() / "catalog").string();
  ScratchDir empty;

  // --data wins over KERROW_DATA, even where the program's folder has a catalog.
  ::setenv("KERROW_DATA", empty.Path().c_str(), 1);
  EditorSession session = Main("", BinDir(), chosen);
  ASSERT_EQ(session.Status, 0);
  ASSERT_NE(session.Window, nullptr);
  EXPECT_EQ(G().DataPath, chosen + "/");
  EXPECT_TRUE(AboutFolderText(session).endsWith(QString::fromStdString(G().DataPath)))
      << AboutFolderText(session).toStdString();
  session.Window.reset();

  // KERROW_DATA alone: an empty folder, so the catalog cannot open there.
  EditorSession failed = Main("", BinDir());
  ::unsetenv("KERROW_DATA");
  EXPECT_EQ(failed.Window, nullptr);
  EXPECT_EQ(G().DataPath, empty.Path().string() + "/");
  ASSERT_FALSE(guard.dialogs.shown.empty());
  EXPECT_NE(guard.dialogs.shown.back().text.find(empty.Path().string()), std::string::npos)
      << guard.dialogs.shown.back().text;
}

}  // namespace
}  // namespace kerrow::test
