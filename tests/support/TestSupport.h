// Helpers shared by the editor's tests: a scratch directory, scripted dialogs
// and a surface that records what is drawn.
#pragma once

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "bridge/TempFiles.h"
#include "graphics/Surface.h"
#include "shell/Dialogs.h"
#include "shell/bGlobals.h"

namespace kerrow::test {

// Under AddressSanitizer an allocation that cannot be served ends the program
// with a report instead of throwing std::bad_alloc, so tests of running out of
// memory have nothing to observe there and skip with this reason.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kOutOfMemoryThrows = false;
#else
inline constexpr bool kOutOfMemoryThrows = true;
#endif
inline constexpr const char* kOutOfMemoryNotThrown =
    "AddressSanitizer ends a program whose allocation fails instead of throwing std::bad_alloc";

// A fresh directory that is removed afterwards. With `enter`, it is also the
// current directory for its lifetime.
class ScratchDir {
 public:
  explicit ScratchDir(bool enter = false) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kerrow-test-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    if (enter) {
      previous_ = std::filesystem::current_path();
      std::filesystem::current_path(path_);
    }
  }
  ~ScratchDir() {
    if (previous_) std::filesystem::current_path(*previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
  std::optional<std::filesystem::path> previous_;
};

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Dialogs that answer from a script and remember every box shown.
class ScriptedDialogs : public Dialogs {
 public:
  struct Shown {
    std::string text;
    MsgIcon icon;
    MsgButtons buttons;
    std::string title;
  };

  std::deque<MsgAnswer> answers;                     // popped per box; Ok/Cancel when empty
  std::deque<std::string> files;                     // popped per open dialog; "" when empty
  std::deque<std::string> saveFiles;                 // popped per save dialog; "" when empty
  std::deque<std::optional<DisplayColour>> colours;  // popped per colour dialog
  std::vector<Shown> shown;
  std::vector<OpenFileRequest> fileRequests;
  std::vector<OpenFileRequest> saveRequests;
  std::vector<DisplayColour> colourRequests;
  std::deque<std::optional<std::string>> texts;  // popped per text input
  std::vector<std::string> textPrompts;
  std::vector<std::string> textInitials;  // what each text input offered
  std::deque<std::optional<SpriteFormAnswer>> spriteForms;  // popped per Add Sprite form
  std::vector<SpriteFormRequest> spriteFormRequests;

  MsgAnswer Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                    const std::string& title) override {
    shown.push_back({text, icon, buttons, title});
    if (answers.empty()) return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    MsgAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::string OpenFile(const OpenFileRequest& request) override {
    fileRequests.push_back(request);
    if (files.empty()) return "";
    std::string file = files.front();
    files.pop_front();
    return file;
  }
  std::string SaveFile(const OpenFileRequest& request) override {
    saveRequests.push_back(request);
    if (saveFiles.empty()) return "";
    std::string file = saveFiles.front();
    saveFiles.pop_front();
    return file;
  }
  std::optional<DisplayColour> ChooseColour(DisplayColour initial) override {
    colourRequests.push_back(initial);
    if (colours.empty()) return std::nullopt;
    auto colour = colours.front();
    colours.pop_front();
    return colour;
  }
  std::optional<std::string> InputText(const std::string& prompt, const std::string&,
                                       const std::string& initial) override {
    textPrompts.push_back(prompt);
    textInitials.push_back(initial);
    if (texts.empty()) return std::nullopt;
    auto text = texts.front();
    texts.pop_front();
    return text;
  }
  std::optional<SpriteFormAnswer> AskSpriteDetails(const SpriteFormRequest& request) override {
    spriteFormRequests.push_back(request);
    if (spriteForms.empty()) return std::nullopt;
    auto answer = spriteForms.front();
    spriteForms.pop_front();
    return answer;
  }
  // The catalog correction forms: each request kept, each answer popped (cancel when none).
  std::deque<std::optional<std::string>> choices;
  std::vector<std::vector<std::string>> choiceItems;
  std::deque<std::optional<SpriteEditAnswer>> spriteEdits;
  std::vector<SpriteEditRequest> spriteEditRequests;
  std::deque<std::optional<GameSettingsAnswer>> gameSettings;
  std::vector<GameSettingsAnswer> gameSettingsRequests;

  template <typename T>
  static std::optional<T> Pop(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> ChooseText(const std::string&, const std::string&,
                                        const std::vector<std::string>& items, bool) override {
    choiceItems.push_back(items);
    return Pop(choices);
  }
  std::optional<SpriteEditAnswer> AskSpriteEdit(const SpriteEditRequest& request) override {
    spriteEditRequests.push_back(request);
    return Pop(spriteEdits);
  }
  std::optional<GameSettingsAnswer> AskGameSettings(const std::string& name,
                                                    std::int64_t palette) override {
    gameSettingsRequests.push_back({name, palette});
    return Pop(gameSettings);
  }
};

// Installs scripted dialogs and fresh globals for the length of a test; the
// temporary files of one test are gone before the next one starts.
class CoreFixtureGuard {
 public:
  CoreFixtureGuard() {
    ResetGlobals();
    RemoveTempDirectory();
    SetActiveDialogs(&dialogs);
  }
  ~CoreFixtureGuard() {
    SetActiveDialogs(nullptr);
    RemoveTempDirectory();
    ResetGlobals();
  }
  ScriptedDialogs dialogs;
};

// A surface that records every call in order.
class RecordingSurface : public Surface {
 public:
  struct Call {
    enum Kind { kPixel, kShade } kind;
    std::int32_t x, y;
    std::uint8_t colour;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;

  void DrawPixel(std::int32_t x, std::int32_t y, std::uint8_t colour) override {
    calls.push_back({Call::kPixel, x, y, colour});
  }
  void ShadeTile(std::int32_t tx, std::int32_t ty) override {
    calls.push_back({Call::kShade, tx, ty, 0});
  }
};

}  // namespace kerrow::test
