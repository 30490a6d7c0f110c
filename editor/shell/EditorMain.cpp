#include "shell/EditorMain.h"

#include "dialogs/frmAbout.h"
#include "shell/CommandGuard.h"
#include "shell/Startup.h"

namespace kerrow {

EditorSession Main(const std::string& commandLine, const std::string& programDirectory,
                   const std::optional<std::string>& dataOption) {
  EditorSession session;
  if (!RunGuarded([&] { InitGlobals(commandLine, programDirectory, dataOption); })) {
    session.Status = 1;
    return session;
  }
  auto window = std::make_unique<frmMain>();
  window->show();
  // The About window reads every catalogued game once, now; it stays hidden
  // until Help > About. Like the catalog, a failure here ends the start.
  if (!RunGuarded([&] { window->SetAboutWindow(new frmAbout(window.get())); })) {
    session.Status = 1;
    return session;
  }
  session.Window = std::move(window);
  return session;
}

}  // namespace kerrow
