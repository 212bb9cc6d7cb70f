#include "ui/command_actions.h"

#include <QAction>
#include <QIcon>

#include <algorithm>
#include <utility>

namespace pictorb {

CommandActions::CommandActions(std::function<void(int32_t)> run) : run_(std::move(run)) {}

QAction* CommandActions::Add(int32_t command, const QString& text, const QIcon& icon,
                             QObject* parent) {
    auto* action = new QAction(icon, text, parent);
    action->setData(command);
    action->setToolTip(text);  // Qt's own tooltip would drop a trailing "..."
    QObject::connect(action, &QAction::triggered, action, [this, command] { run_(command); });
    CommandState& state = commands_[command];
    std::erase_if(state.actions, [](const QPointer<QAction>& kept) { return kept.isNull(); });
    state.actions.emplace_back(action);
    action->setEnabled(state.enabled);
    action->setVisible(state.visible);
    return action;
}

void CommandActions::SetCommandEnabled(int32_t command, bool enabled) {
    CommandState& state = commands_[command];
    state.enabled = enabled;
    for (QAction* action : Actions(command)) action->setEnabled(enabled);
}

void CommandActions::SetCommandVisible(int32_t command, bool visible) {
    CommandState& state = commands_[command];
    state.visible = visible;
    for (QAction* action : Actions(command)) action->setVisible(visible);
}

bool CommandActions::CommandEnabled(int32_t command) const {
    const auto found = commands_.find(command);
    return found == commands_.end() || found->second.enabled;
}

std::vector<QAction*> CommandActions::Actions(int32_t command) const {
    std::vector<QAction*> live;
    const auto found = commands_.find(command);
    if (found == commands_.end()) return live;
    for (const QPointer<QAction>& action : found->second.actions)
        if (!action.isNull()) live.push_back(action.data());
    return live;
}

}  // namespace pictorb
