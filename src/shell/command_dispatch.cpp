// Viewer::executeCommand: the guards, then one table from command identifier to action.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "command_ids.h"
#include "viewer.h"

namespace {

struct CommandRow {
    CommandId id;
    void (*run)(Viewer&);
};

void toggle(bool& flag) { flag = !flag; }

const CommandRow kCommands[] = {
    {CMD_SAVE_NOW, [](Viewer& v) { v.saveSettings(); }},
    {CMD_SAVE_AS, [](Viewer& v) { if (v.chooseSettingsFile()) v.saveSettings(); }},
    {CMD_SAVE_ON_EXIT, [](Viewer& v) { toggle(v.settings.savesettings); }},
    {CMD_SAVE_FOLDER, [](Viewer& v) { toggle(v.settings.savefolder); }},
    {CMD_EXIT, [](Viewer& v) { SendMessageW(v.mainWindow, WM_CLOSE, 0, 0); }},
};

const CommandRow* findCommand(CommandId id) {
    static const std::vector<CommandRow> table = [] {
        std::vector<CommandRow> rows(std::begin(kCommands), std::end(kCommands));
        std::sort(rows.begin(), rows.end(), [](const CommandRow& a, const CommandRow& b) { return a.id < b.id; });
        return rows;
    }();
    auto row = std::lower_bound(table.begin(), table.end(), id,
                                [](const CommandRow& r, CommandId value) { return r.id < value; });
    return row != table.end() && row->id == id ? &*row : nullptr;
}

}  // namespace

void Viewer::executeCommand(CommandId command) {
    if (noShell && (command == CMD_CATALOG || (command >= CMD_SHELL_VIEW && command <= CMD_BB_LENGTHEN))) return;
    if (noMenu && command < CMD_ABOUT && command != CMD_MENU) return;

    if (const CommandRow* row = findCommand(command)) row->run(*this);

    if (command >= CMD_TRANSITION_0 && command <= CMD_TRANSITION_14) toggleTransition(command - CMD_TRANSITION_0);
}

void Viewer::toggleTransition(int transition) {
    auto found = std::find(enabledTransitions.begin(), enabledTransitions.end(), transition);
    if (found != enabledTransitions.end())
        enabledTransitions.erase(found);
    else
        enabledTransitions.push_back(transition);
}
