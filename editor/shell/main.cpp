#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <filesystem>

#include "bridge/TempFiles.h"
#include "shell/DataFolder.h"
#include "shell/EditorArguments.h"
#include "shell/EditorMain.h"
#include "shell/QtDialogs.h"
#include "shell/Startup.h"
#include "shell/Version.h"

namespace {

// The program's own folder, without starting Qt (--version needs no display).
std::string ProgramDirectory(const char* argv0) {
  std::error_code error;
  const auto self = std::filesystem::canonical("/proc/self/exe", error);
  if (!error) return self.parent_path().string();
  return std::filesystem::absolute(argv0, error).parent_path().string();
}

// The temporary files go with the program, however main is left.
struct TempDirectoryRemoval {
  ~TempDirectoryRemoval() { kerrow::RemoveTempDirectory(); }
};

}  // namespace

int main(int argc, char** argv) {
  const kerrow::EditorArguments arguments = kerrow::ParseEditorArguments(argc, argv);
  if (!arguments.error.empty()) {
    std::fprintf(stderr, "kerrow: %s\n%s", arguments.error.c_str(), kerrow::kEditorUsage);
    return 64;
  }
  if (arguments.help) {
    std::fputs(kerrow::kEditorUsage, stdout);
    return 0;
  }
  if (arguments.version) {
    const auto folder =
        kerrow::LocateDataFolder(kerrow::CommandLineText(argc, argv), arguments.data,
                                 ProgramDirectory(argv[0]), kerrow::DataFolderEnvironment::FromProcess());
    std::fputs(kerrow::VersionReport("kerrow", folder).c_str(), stdout);
    return 0;
  }
  TempDirectoryRemoval removeAtExit;
  kerrow::RemoveTempDirectoryOnTerminate();
  kerrow::RemoveStaleTempDirectories();
  // Read before Qt takes its own options out of argv.
  const std::string commandLine = kerrow::CommandLineText(argc, argv);
  QApplication app(argc, argv);
  // The desktop entry and the icon theme's name for the installed program.
  QGuiApplication::setDesktopFileName("org.kerrow.Kerrow");
  QApplication::setWindowIcon(QIcon::fromTheme("org.kerrow.Kerrow"));
  kerrow::QtDialogs dialogs;
  kerrow::SetActiveDialogs(&dialogs);
  kerrow::EditorSession session = kerrow::Main(
      commandLine, QCoreApplication::applicationDirPath().toStdString(), arguments.data);
  if (!session.Window) return session.Status;
  dialogs.SetParent(session.Window.get());
  const int status = app.exec();
  kerrow::SetActiveDialogs(nullptr);
  return status;
}
