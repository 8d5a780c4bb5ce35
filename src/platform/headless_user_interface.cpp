#include "platform/headless_user_interface.h"

namespace ts {

namespace {

// The answer a box with these buttons gives for the wanted one (see the class comment).
Answer Fit(Answer wanted, MessageButtons buttons) {
    const bool affirmative = wanted == Answer::Ok || wanted == Answer::Yes;
    switch (buttons) {
    case MessageButtons::Ok:
        return Answer::Ok;
    case MessageButtons::OkCancel:
        return affirmative ? Answer::Ok : Answer::Cancel;
    case MessageButtons::YesNo:
        return affirmative ? Answer::Yes : Answer::No;
    case MessageButtons::YesNoCancel:
        return wanted == Answer::Ok ? Answer::Yes : wanted;
    }
    return wanted;
}

} // namespace

Answer HeadlessUserInterface::MessageBox(const std::string& text, const std::string& caption,
                                         MessageIcon icon, MessageButtons buttons) {
    Answer wanted = m_defaultAnswer;
    if (buttons != MessageButtons::Ok && !m_answers.empty()) {
        wanted = m_answers.front();
        m_answers.pop_front();
    }
    const Answer answer = Fit(wanted, buttons);
    m_messages.push_back(Message{text, caption, icon, buttons, answer});
    return answer;
}

bool HeadlessUserInterface::EnterText(const std::string& prompt, const std::string& caption,
                                      const std::string& initial, std::string& out) {
    m_textEntries.push_back(TextEntry{prompt, caption, initial});
    return NextText(out);
}

bool HeadlessUserInterface::EnterValue(const EntryDialog& dialog, std::string& out) {
    m_entryDialogs.push_back(dialog);
    std::string text;
    if (!NextText(text)) {
        return false;
    }
    out = dialog.Filtered(text);
    return true;
}

bool HeadlessUserInterface::NextText(std::string& out) {
    if (m_texts.empty()) {
        return false;
    }
    std::optional<std::string> text = std::move(m_texts.front());
    m_texts.pop_front();
    if (!text) {
        return false;
    }
    out = std::move(*text);
    return true;
}

bool HeadlessUserInterface::ChooseOpenFile(const FileDialogRequest& request, std::string& out) {
    return AnswerFile(false, request, out);
}

bool HeadlessUserInterface::ChooseSaveFile(const FileDialogRequest& request, std::string& out) {
    return AnswerFile(true, request, out);
}

bool HeadlessUserInterface::AnswerFile(bool save, const FileDialogRequest& request, std::string& out) {
    m_fileDialogs.push_back(FileDialog{save, request});
    if (m_files.empty()) {
        return false;
    }
    std::optional<std::string> path = std::move(m_files.front());
    m_files.pop_front();
    if (!path) {
        return false;
    }
    out = std::move(*path);
    return true;
}

bool HeadlessUserInterface::ChooseColor(uint32_t& color) {
    m_colorPickers.push_back(color);
    if (m_colors.empty()) {
        return false;
    }
    const std::optional<uint32_t> chosen = m_colors.front();
    m_colors.pop_front();
    if (!chosen) {
        return false;
    }
    color = *chosen;
    return true;
}

bool HeadlessUserInterface::EditPreferences(PreferencesRequest& request) {
    m_preferenceDialogs.push_back(request);
    if (m_preferences.empty()) {
        return false;
    }
    const std::optional<PreferenceChanges> changes = std::move(m_preferences.front());
    m_preferences.pop_front();
    if (!changes) {
        return false;
    }
    for (const auto& [name, text] : *changes) {
        request.values.Set(name, text);
    }
    return true;
}

std::vector<std::string> HeadlessUserInterface::MessageTexts() const {
    std::vector<std::string> texts;
    texts.reserve(m_messages.size());
    for (const Message& m : m_messages) {
        texts.push_back(m.text);
    }
    return texts;
}

std::string HeadlessUserInterface::StatusPane(int pane) const {
    const auto it = m_panes.find(pane);
    return it == m_panes.end() ? std::string() : it->second;
}

void HeadlessUserInterface::ShowWaitCursor(bool show) {
    if (show) {
        ++m_waitShows;
    }
    m_waitShown = show;
}

bool HeadlessUserInterface::EscapePressed() {
    ++m_escapePolls;
    if (m_escapeAfter < 0) {
        return false;
    }
    if (m_escapeAfter == 0) {
        m_escapeAfter = -1;
        return true;
    }
    --m_escapeAfter;
    return false;
}

} // namespace ts
