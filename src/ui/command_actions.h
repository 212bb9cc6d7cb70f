#pragma once
// The actions each command has placed in the window, so that a command is enabled, disabled,
// shown or hidden in one call wherever it appears. A command keeps its state when its menus
// and toolbars are built again (a new theme): new actions take the state of their command.

#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QAction;
class QIcon;
class QObject;
class QString;

namespace pictorb {

class CommandActions {
  public:
    // `run` is called with the command's number whenever one of its actions is triggered.
    explicit CommandActions(std::function<void(int32_t)> run);

    // A new action for `command`, owned by `parent` and recorded under the command.
    QAction* Add(int32_t command, const QString& text, const QIcon& icon, QObject* parent);

    void SetCommandEnabled(int32_t command, bool enabled);
    void SetCommandVisible(int32_t command, bool visible);
    bool CommandEnabled(int32_t command) const;
    // The live actions of a command, in the order they were placed.
    std::vector<QAction*> Actions(int32_t command) const;

  private:
    struct CommandState {
        bool enabled = true;
        bool visible = true;
        std::vector<QPointer<QAction>> actions;  // null once their menu or toolbar is gone
    };

    std::function<void(int32_t)> run_;
    std::map<int32_t, CommandState> commands_;
};

}  // namespace pictorb
