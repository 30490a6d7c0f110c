// The window tests' entry: one QApplication on the offscreen platform for all cases.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  // Start-up looks for a per-user catalog folder: the tests get an empty one of
  // their own, never the user's, and no KERROW_DATA of the user's.
  QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  qunsetenv("KERROW_DATA");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
