#pragma once
// The dialog interface answered by Qt's own dialogs and the desktop's URL handler.

#include "ui/dialogs.h"

namespace pictorb {

class QtDialogs : public Dialogs {
  public:
    MessageAnswer Message(const std::string& title, const std::string& text, MessageIcon icon,
                          MessageButtons buttons) override;
    std::vector<std::string> OpenFiles(const std::string& title, const std::string& start,
                                       const std::vector<std::string>& filters,
                                       bool several) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& start) override;
    std::optional<std::string> ChooseColor(const std::string& initialRrggbb) override;
    std::optional<ChosenFont> ChooseFont(const ChosenFont& initial) override;
    std::optional<std::string> AskText(const std::string& title, const std::string& label,
                                       const std::string& initial) override;
    void OpenUrl(const std::string& url, std::function<void()> failed) override;
};

}  // namespace pictorb
