#include "workspace/command_table.h"

#include <utility>

namespace ts {

Command& CommandTable::Add(Command command) {
    m_commands.push_back(std::move(command));
    return m_commands.back();
}

const Command* CommandTable::Find(int32_t id) const {
    for (const Command& c : m_commands) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

bool CommandTable::Enabled(int32_t id) const {
    const Command* c = Find(id);
    return c && c->run && (!c->enabled || c->enabled());
}

bool CommandTable::Checked(int32_t id) const {
    const Command* c = Find(id);
    return c && c->checked && c->checked();
}

std::string CommandTable::Text(int32_t id) const {
    const Command* c = Find(id);
    if (!c) {
        return {};
    }
    return c->dynamicText ? c->dynamicText() : c->text;
}

bool CommandTable::Run(int32_t id) const {
    if (!Enabled(id)) {
        return false;
    }
    Find(id)->run();
    return true;
}

std::string RecentMenuText(const RecentFileList& list, int32_t place) {
    if (list.Entry(place).empty()) {
        return {};
    }
    std::string text = "&";
    text += std::to_string((place + 1) % 10);
    text += ' ';
    text += list.DisplayName(place);
    return text;
}

} // namespace ts
