#include <QApplication>

#include "bridge/TempFiles.h"
#include "shell/EditorMain.h"
#include "shell/QtDialogs.h"
#include "shell/Startup.h"

namespace {

// The temporary files go with the program, however main is left.
struct TempDirectoryRemoval {
  ~TempDirectoryRemoval() { kerrow::RemoveTempDirectory(); }
};

}  // namespace

int main(int argc, char** argv) {
  TempDirectoryRemoval removeAtExit;
  kerrow::RemoveTempDirectoryOnTerminate();
  kerrow::RemoveStaleTempDirectories();
  // Read before Qt takes its own options out of argv.
  const std::string commandLine = kerrow::CommandLineText(argc, argv);
  QApplication app(argc, argv);
  kerrow::QtDialogs dialogs;
  kerrow::SetActiveDialogs(&dialogs);
  kerrow::EditorSession session =
      kerrow::Main(commandLine, QCoreApplication::applicationDirPath().toStdString());
  if (!session.Window) return session.Status;
  dialogs.SetParent(session.Window.get());
  const int status = app.exec();
  kerrow::SetActiveDialogs(nullptr);
  return status;
}
