#include "cli/CliSession.h"

#include <iostream>

#include "art/ArtCommands.h"
#include "bridge/RomSave.h"
#include "catalog/bIdentify.h"
#include "editing/bPal.h"
#include "shell/ErrorReports.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow::cli {

namespace fs = std::filesystem;

std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (!line.empty() && line.back() != ' ') line += ' ';
      continue;
    }
    line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

MsgAnswer CliDialogs::Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                              const std::string&) {
  if (icon == MsgIcon::Information) {
    std::cout << OneLine(text) << '\n';
  } else {
    ++failures_;
    std::cerr << "kerrow-cli: " << OneLine(text) << '\n';
  }
  return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

CliSession::CliSession(const CliContext& context) {
  std::error_code error;
  startDirectory_ = fs::current_path(error);
  dataPath_ = Absolute(context.dataPath);
  if (!dataPath_.empty() && dataPath_.back() != '/') dataPath_ += '/';
  ResetGlobals();
  ForgetSourcesRead();
  SetActiveDialogs(&dialogs);
}

CliSession::~CliSession() {
  SetActiveDialogs(nullptr);
  ResetGlobals();
}

std::string CliSession::Absolute(const std::string& path) const {
  if (path.empty()) return path;
  const fs::path given(path);
  return given.is_absolute() ? path : (startDirectory_ / given).string();
}

int CliSession::Fail(int status, const std::string& message) {
  std::cerr << "kerrow-cli: " << OneLine(message) << '\n';
  return status;
}

int CliSession::FailCatalog(int status, const std::string& message, const Failure& failure) {
  return Fail(failure.Number() == kErrCatalogInUse ? kExitCatalogBusy : status,
              message + failure.Description());
}

int CliSession::OpenRom(const std::string& romPath) {
  G().DataPath = dataPath_;
  try {
    OpenCatalog();
  } catch (const Failure& failure) {
    return FailCatalog(kExitCatalog, "cannot open the catalog in " + dataPath_ + ": ", failure);
  }
  G().RomPath = Absolute(romPath);
  std::error_code error;
  if (!fs::is_regular_file(G().RomPath, error))
    return Fail(kExitCatalog, "cannot read the ROM image " + G().RomPath + ": no such file");
  // A save into it that was cut short is undone before anything reads it.
  if (const std::string note = RecoverRom(G().RomPath); !note.empty())
    std::cerr << "kerrow-cli: " << OneLine(note) << '\n';
  try {
    const std::optional<GameIdentity> game = IdentifyGame();
    if (!game)
      return Fail(kExitUnknownGame,
                  G().RomPath + " is not a ROM image of any game the catalog supports");
    try {
      LoadPalette(G().RomPath, game->PaletteOffset);
    } catch (const Failure& failure) {
      throw failure.At(GameTableView(kNfo).Place("Palette"));
    }
  } catch (const Failure& failure) {
    return FailCatalog(kExitCatalog, "cannot open " + G().RomPath + " with its game's catalog: ",
                       failure);
  }
  return kExitOk;
}

int CliSession::BeginSave(const std::string& romPath) {
  const std::string path = Absolute(romPath);
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return kExitOk;
  try {
    save_.emplace(path);
  } catch (const Failure& failure) {
    return Fail(failure.Number() == kErrRomBusy ? kExitRomBusy : kExitSaveRefused,
                "cannot save into " + path + ": " + failure.Description());
  }
  if (!save_->RecoveryNote().empty())
    std::cerr << "kerrow-cli: " << OneLine(save_->RecoveryNote()) << '\n';
  return kExitOk;
}

int CliSession::CommitSave() {
  if (!save_) return kExitOk;
  try {
    save_->Commit();
  } catch (const Failure& failure) {
    return Fail(kExitSaveRefused, "nothing was saved into " + save_->Path() + ": " +
                                      failure.Description());
  }
  return kExitOk;
}

int CliSession::LoadSprite(const std::string& name) {
  SpriteKind kind = SpriteKind::None;
  try {
    kind = FindSpriteByName(name);
  } catch (const Failure& failure) {
    return Fail(kExitCatalog, "cannot read the game's sprites: " + failure.Description());
  }
  if (kind == SpriteKind::None)
    return Fail(kExitNoSuchSprite, "the catalog of this game holds no sprite named \"" + name +
                                       "\" (see kerrow-cli list)");
  return LoadSprite(name, kind);
}

int CliSession::LoadSprite(const std::string& name, SpriteKind kind) {
  const int before = dialogs.Failures();
  const bool loaded = LoadSpriteByName(name, kind);
  if (dialogs.Failures() != before) return kExitSpriteLoad;  // already told why
  if (!loaded) return Fail(kExitSpriteLoad, "the sprite \"" + name + "\" could not be loaded");
  return kExitOk;
}

}  // namespace kerrow::cli
