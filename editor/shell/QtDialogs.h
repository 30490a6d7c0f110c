// The real modal dialogs of the desktop, behind the Dialogs interface.
#pragma once

#include "shell/Dialogs.h"

class QWidget;

namespace kerrow {

class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void SetParent(QWidget* parent) { parent_ = parent; }

  MsgAnswer Message(const std::string& text, MsgIcon icon, MsgButtons buttons,
                    const std::string& title) override;
  std::string OpenFile(const OpenFileRequest& request) override;
  std::string SaveFile(const OpenFileRequest& request) override;
  std::optional<DisplayColour> ChooseColour(DisplayColour initial) override;
  // These two live with the workshop's windows (WorkshopForms.cpp).
  std::optional<std::string> InputText(const std::string& prompt, const std::string& title,
                                       const std::string& initial) override;
  std::optional<SpriteFormAnswer> AskSpriteDetails(const SpriteFormRequest& request) override;
  // These three live with the catalog correction forms (CatalogForms.cpp).
  std::optional<std::string> ChooseText(const std::string& prompt, const std::string& title,
                                        const std::vector<std::string>& items,
                                        bool editable) override;
  std::optional<SpriteEditAnswer> AskSpriteEdit(const SpriteEditRequest& request) override;
  std::optional<GameSettingsAnswer> AskGameSettings(const std::string& name,
                                                    std::int64_t palette) override;

 private:
  QWidget* parent_;
};

}  // namespace kerrow
