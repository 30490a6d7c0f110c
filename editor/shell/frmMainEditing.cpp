// Editing handlers of the main window. Owned by the editing side of the team;
// these bodies are placeholders until the drawing tools, undo, view settings,
// exit and help commands are routed here.
#include <QApplication>

#include "shell/frmMain.h"

namespace kerrow {

void frmMain::picSprite_MouseDown(Qt::MouseButtons, int, int) {}
void frmMain::picSprite_MouseMove(Qt::MouseButtons, int, int) {}
void frmMain::picSprite_MouseUp(Qt::MouseButtons, int, int) {}
void frmMain::Undo() {}
void frmMain::Redo() {}
void frmMain::mnuViewGrid_Click() {}
void frmMain::mnuViewZoomE_Click(int) {}
void frmMain::sprScrollH_Change() {}
void frmMain::sprScrollV_Change() {}
bool frmMain::mnuFileExit_Click() { return true; }
void frmMain::mnuHelpTopics_Click() {}
void frmMain::mnuHelpAbout_Click() {}
void frmMain::mnuFileGameInfo_Click() {}

}  // namespace kerrow
