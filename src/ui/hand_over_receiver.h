#pragma once
// The window's side of a second desktop start: its file is taken as a drop when the window is
// free; while a dialog holds the window (the preferences, a conversion) it is kept and taken
// once the window is free again; an unusable file is refused with the reason.

#include <QObject>

#include <string>
#include <utility>
#include <vector>

#include "formats/formats.h"
#include "platform/hand_over.h"

namespace pictorb {

class MainWindow;

class HandOverReceiver : public QObject {
  public:
    HandOverReceiver(MainWindow& window, const Formats& formats);

    // Brings the window (or the dialog holding it) to the front and takes the start's file,
    // or keeps it for later. A refusal comes with "path: reason".
    std::pair<HandOverReply, std::string> Take(const std::vector<std::string>& parameters);
    // The files kept until the window is free.
    const std::vector<std::string>& Waiting() const { return waiting_; }

  protected:
    // Watches dialogs closing and the window being enabled while files wait.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool WindowFree() const;
    void TakeWaiting();

    MainWindow& window_;
    const Formats& formats_;
    std::vector<std::string> waiting_;
};

}  // namespace pictorb
