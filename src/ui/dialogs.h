#pragma once
// Every question the desktop interface asks the user, behind one small interface: the real
// one shows Qt's dialogs, tests answer with scripted replies and never block on a window.
// No Qt types here, so code that only asks questions stays free of the toolkit.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pictorb {

enum class MessageIcon { Information, Question, Warning, Error };
// YesNoDefaultNo: a question whose Yes cannot be undone, so that Return does not answer it.
enum class MessageButtons { Ok, YesNo, YesNoDefaultNo };
enum class MessageAnswer { Ok, Yes, No };

// A font as the font dialog returns it.
struct ChosenFont {
    std::string family;
    int32_t pointSize = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // A modal message box over the active window; its text can be selected and copied.
    virtual MessageAnswer Message(const std::string& title, const std::string& text,
                                  MessageIcon icon, MessageButtons buttons) = 0;
    // Existing files chosen by the user, in the dialog's order; empty when cancelled.
    // `filters` are Qt filter texts ("All Supported Files (*.bmp *.rle *.dib)"), the first
    // preselected; `start` is a file or folder to start from.
    virtual std::vector<std::string> OpenFiles(const std::string& title, const std::string& start,
                                               const std::vector<std::string>& filters,
                                               bool several) = 0;
    // An existing folder ending in '/', or nullopt when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& start) = 0;
    // A colour as six upper-case hex digits RRGGBB, or nullopt when cancelled.
    virtual std::optional<std::string> ChooseColor(const std::string& initialRrggbb) = 0;
    virtual std::optional<ChosenFont> ChooseFont(const ChosenFont& initial) = 0;
    // A line of text typed by the user, or nullopt when cancelled.
    virtual std::optional<std::string> AskText(const std::string& title, const std::string& label,
                                               const std::string& initial) = 0;
    // Hands a web address, a mail link or a local file (a path, perhaps with "#section") to
    // the desktop. When nothing could open it, `failed` runs later, from the event loop.
    virtual void OpenUrl(const std::string& url, std::function<void()> failed) = 0;
};

// Shorthands for the message boxes of the interface.
inline void ShowMessage(Dialogs& dialogs, const std::string& title, const std::string& text,
                        MessageIcon icon) {
    dialogs.Message(title, text, icon, MessageButtons::Ok);
}
inline bool AskYesNo(Dialogs& dialogs, const std::string& title, const std::string& text,
                     MessageIcon icon = MessageIcon::Question,
                     MessageButtons buttons = MessageButtons::YesNo) {
    return dialogs.Message(title, text, icon, buttons) == MessageAnswer::Yes;
}

}  // namespace pictorb
