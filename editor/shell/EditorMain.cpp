#include "shell/EditorMain.h"

#include "shell/CommandGuard.h"
#include "shell/Startup.h"

namespace kerrow {

EditorSession Main(const std::string& commandLine, const std::string& programDirectory) {
  EditorSession session;
  if (!RunGuarded([&] { InitGlobals(commandLine, programDirectory); })) {
    session.Status = 1;
    return session;
  }
  session.Window = std::make_unique<frmMain>();
  session.Window->show();
  // frmAbout: created hidden here once the About window exists.
  return session;
}

}  // namespace kerrow
