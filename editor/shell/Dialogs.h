// Every modal interaction of the editor goes through this interface, so that the
// windows use real Qt dialogs and the tests answer with scripted replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kerrow {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// The application's title, used by every box that names no title of its own.
inline constexpr const char* kAppTitle = "Tavrel BETA";

// A display colour: red + 256 * green + 65536 * blue.
using DisplayColour = std::uint32_t;

struct OpenFileRequest {
  std::string title;
  std::string filter;  // "Description (*.ext)|*.ext|..." pairs
  std::int32_t flags = 0;
  std::string fileName;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A modal message box; returns the button that closed it (Cancel when closed otherwise).
  virtual MsgAnswer Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                            const std::string& title = kAppTitle) = 0;

  // The file-open dialog; returns the chosen full path, or "" when cancelled.
  virtual std::string OpenFile(const OpenFileRequest& request) = 0;

  // The file-save dialog (it asks before replacing an existing file); returns
  // the chosen full path, or "" when cancelled.
  virtual std::string SaveFile(const OpenFileRequest& request) = 0;

  // The colour dialog, starting from `initial`; nullopt when cancelled.
  virtual std::optional<DisplayColour> ChooseColour(DisplayColour initial) = 0;
};

// The dialogs in use. The program installs the Qt ones at start-up; tests install their own.
Dialogs& ActiveDialogs();
void SetActiveDialogs(Dialogs* dialogs);

}  // namespace kerrow
