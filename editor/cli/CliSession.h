// What every art subcommand of kerrow-cli shares: fresh editor state, the
// editor's dialogs turned into lines on the standard streams, the catalog and
// the ROM image opened as File > Load opens them, and the working directory
// moved into the private temporary directory while the compression binding
// writes its files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "bridge/RomSave.h"
#include "browser/HeadlessLoad.h"
#include "cli/CliCommand.h"
#include "shell/Dialogs.h"
#include "shell/Failure.h"

namespace kerrow::cli {

// Boxes become one line each: information on standard output, everything else
// (refusals, warnings, error reports) on standard error, counted as failures.
// Questions are answered Cancel, so nothing happens that was not asked for.
class CliDialogs : public Dialogs {
 public:
  MsgAnswer Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                    const std::string& title) override;
  std::string OpenFile(const OpenFileRequest&) override { return ""; }
  std::string SaveFile(const OpenFileRequest&) override { return ""; }
  std::optional<DisplayColour> ChooseColour(DisplayColour) override { return std::nullopt; }

  int Failures() const { return failures_; }

 private:
  int failures_ = 0;
};

class CliSession {
 public:
  explicit CliSession(const CliContext& context);
  ~CliSession();
  CliSession(const CliSession&) = delete;
  CliSession& operator=(const CliSession&) = delete;

  // A path given on the command line, made absolute against the directory the
  // command was started in.
  std::string Absolute(const std::string& path) const;

  // Opens the catalog, identifies the ROM image and loads the game's palette.
  // Returns kExitOk or the failure's status (its line already printed).
  int OpenRom(const std::string& romPath);

  // For a command that saves into the ROM image: locks it before anything
  // reads it, so that the whole command is one all-or-nothing save (the
  // editor's saves inside it join this one). kExitOk, kExitRomBusy or
  // kExitSaveRefused, the line printed. A missing ROM is left to OpenRom.
  int BeginSave(const std::string& romPath);
  // Puts the command's writes into the ROM; kExitOk or kExitSaveRefused.
  int CommitSave();

  // Finds and loads the named sprite of the open game.
  int LoadSprite(const std::string& name);
  // Loads a sprite whose table is known; its failure line is printed once.
  int LoadSprite(const std::string& name, SpriteKind kind);

  // Prints "kerrow-cli: message" on standard error and returns `status`.
  static int Fail(int status, const std::string& message);
  // The same for a catalog failure: `status`, or kExitCatalogBusy when
  // another program holds the catalog.
  static int FailCatalog(int status, const std::string& message, const Failure& failure);

  CliDialogs dialogs;

 private:
  std::string dataPath_;
  std::filesystem::path startDirectory_;
  std::optional<RomSave> save_;
};

// The single-line form of a message (line breaks become spaces).
std::string OneLine(const std::string& text);

}  // namespace kerrow::cli
