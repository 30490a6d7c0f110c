// Every modal interaction of the editor goes through this interface, so that the
// windows use real Qt dialogs and the tests answer with scripted replies.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The Add Sprite form: what it offers and what the user answered.
struct SpriteFormRequest {
  bool compressed = false;
  std::vector<std::string> groups;  // headings ("HEAD" names) or "SubHead" texts
  std::int32_t widthTiles = 0;
  std::int32_t heightTiles = 0;
  bool contextAvailable = false;  // a second selection can be used as context tiles
  std::int32_t maxSize = 0;       // compressed: the stream's own length, the default
  std::int64_t palette = 0;       // the palette offset offered (0 = the game's)
  // The selection cut into blocks of blockWidth x blockHeight tiles, when it
  // holds two or more: "one sprite per block" adds each as a frame.
  std::int32_t blockFrames = 0;
  std::int32_t blockWidth = 0;
  std::int32_t blockHeight = 0;
};

struct SpriteFormAnswer {
  std::string name;
  std::int32_t groupIndex = -1;  // into SpriteFormRequest::groups; -1 for a new one
  std::string newGroup;
  std::int64_t palette = 0;  // 0 = the game's palette; as typed, checked against the ROM
  bool useContext = false;
  std::int32_t maxSize = 0;  // compressed only
  bool perBlock = false;     // one sprite per block, named "NAME 1", "NAME 2", ...
};

// The Edit Sprite form: a catalogued sprite's size, palette, tiles and context.
struct SpriteEditRequest {
  std::string name;
  bool compressed = false;
  std::int32_t widthTiles = 0;
  std::int32_t heightTiles = 0;
  std::int64_t palette = 0;
  bool hasContext = false;
  // The viewer's selection, when it can give the sprite its tiles: its size in
  // tiles (0 when there is none), and whether a second selection gives context.
  std::int32_t selectionWidth = 0;
  std::int32_t selectionHeight = 0;
  bool selectionContext = false;
  std::string selectionNote;  // why the viewer's selection is not offered, if it is not
};

enum class ContextChoice { Keep, None, FromSelection };

struct SpriteEditAnswer {
  std::int32_t widthTiles = 0;  // ignored when the selection's tiles are taken
  std::int32_t heightTiles = 0;
  std::int64_t palette = 0;
  bool takeSelection = false;
  ContextChoice context = ContextChoice::Keep;
};

// Tools > Game Settings.
struct GameSettingsAnswer {
  std::string name;
  std::int64_t palette = 0;
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

  // The workshop's questions. Dialogs that cannot ask (no one to answer them)
  // keep these defaults, which answer as if cancelled.
  // A line of text (an offset, a name), starting from `initial`; nullopt when cancelled.
  virtual std::optional<std::string> InputText(const std::string& /*prompt*/,
                                               const std::string& /*title*/,
                                               const std::string& /*initial*/) {
    return std::nullopt;
  }
  // The Add Sprite form; nullopt when cancelled.
  virtual std::optional<SpriteFormAnswer> AskSpriteDetails(const SpriteFormRequest& /*request*/) {
    return std::nullopt;
  }
  // One of `items`, or with `editable` a new text typed in; nullopt when cancelled.
  virtual std::optional<std::string> ChooseText(const std::string& /*prompt*/,
                                                const std::string& /*title*/,
                                                const std::vector<std::string>& /*items*/,
                                                bool /*editable*/) {
    return std::nullopt;
  }
  // The Edit Sprite form; nullopt when cancelled.
  virtual std::optional<SpriteEditAnswer> AskSpriteEdit(const SpriteEditRequest& /*request*/) {
    return std::nullopt;
  }
  // The Game Settings form, starting from the current name and palette offset.
  virtual std::optional<GameSettingsAnswer> AskGameSettings(const std::string& /*name*/,
                                                            std::int64_t /*palette*/) {
    return std::nullopt;
  }
};

// The dialogs in use. The program installs the Qt ones at start-up; tests install their own.
Dialogs& ActiveDialogs();
void SetActiveDialogs(Dialogs* dialogs);

}  // namespace kerrow
