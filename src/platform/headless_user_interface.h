#pragma once

#include "platform/preferences.h"
#include "platform/progress_meter.h"
#include "platform/user_interface.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ts {

// The user interface of tests and the command-line tool. It records every message, text entry and
// file dialog, and answers from queues that the test fills beforehand.
//
// Answers: an OK box never takes from the answer queue (it has only one answer). Any other box takes
// the front answer, or the default answer when the queue is empty (Yes, unless SetDefaultAnswer
// changed it). An answer the box does not offer is read as its counterpart: Ok and Yes agree, Cancel
// and No agree, and a Yes/No/Cancel box reads Ok as Yes.
// Text entries, entry dialogs (one queue for both), file dialogs and colour pickers take the front of
// their queue; an empty queue cancels the dialog.
class HeadlessUserInterface final : public UserInterface {
public:
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
        MessageButtons buttons;
        Answer answer;
    };
    struct TextEntry {
        std::string prompt;
        std::string caption;
        std::string initial;
    };
    struct FileDialog {
        bool save;
        FileDialogRequest request;
    };

    using UserInterface::ChooseOpenFile;
    using UserInterface::ChooseSaveFile;

    Answer MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                      MessageButtons buttons) override;
    bool EnterText(const std::string& prompt, const std::string& caption, const std::string& initial,
                   std::string& out) override;
    // Answers from the text queue, as EnterText does; the answer keeps only the characters the dialog's
    // field takes, as if it had been typed there.
    bool EnterValue(const EntryDialog& dialog, std::string& out) override;
    bool ChooseOpenFile(const FileDialogRequest& request, std::string& out) override;
    bool ChooseSaveFile(const FileDialogRequest& request, std::string& out) override;
    bool ChooseColor(uint32_t& color) override;
    // Records the values the dialog opened with; answers from the preferences queue.
    bool EditPreferences(PreferencesRequest& request) override;
    ProgressMeter& Progress() override { return m_progress; }
    void SetStatusPane(int pane, const std::string& text) override { m_panes[pane] = text; }
    // Esc is "pressed" at the poll that follows `polls` polls (0: the next one); -1 never.
    bool EscapePressed() override;
    void PressEscapeAfter(int32_t polls) { m_escapeAfter = polls; }
    int32_t EscapePolls() const { return m_escapePolls; }

    // Scripting.
    void QueueAnswer(Answer answer) { m_answers.push_back(answer); }
    void SetDefaultAnswer(Answer answer) { m_defaultAnswer = answer; }
    void QueueText(const std::string& text) { m_texts.emplace_back(text); }
    void QueueTextCancel() { m_texts.emplace_back(std::nullopt); }
    // One queue serves open and save dialogs, in the order they appear.
    void QueueFile(const std::string& path) { m_files.emplace_back(path); }
    void QueueFileCancel() { m_files.emplace_back(std::nullopt); }
    void QueueColor(uint32_t color) { m_colors.emplace_back(color & 0x00FFFFFF); }
    void QueueColorCancel() { m_colors.emplace_back(std::nullopt); }
    // The next preferences dialog: OK with these values changed (by settings name, as
    // PreferenceValues::Set takes them), or Cancel.
    using PreferenceChanges = std::vector<std::pair<std::string, std::string>>;
    void QueuePreferences(PreferenceChanges changes) { m_preferences.emplace_back(std::move(changes)); }
    void QueuePreferencesCancel() { m_preferences.emplace_back(std::nullopt); }
    size_t PendingAnswers() const { return m_answers.size(); }
    size_t PendingTexts() const { return m_texts.size(); }
    size_t PendingFiles() const { return m_files.size(); }
    size_t PendingColors() const { return m_colors.size(); }

    // What was shown.
    const std::vector<Message>& Messages() const { return m_messages; }
    std::vector<std::string> MessageTexts() const;
    // The text of the last message, or empty when none was shown.
    std::string LastMessageText() const {
        return m_messages.empty() ? std::string() : m_messages.back().text;
    }
    void ClearMessages() { m_messages.clear(); }
    const std::vector<TextEntry>& TextEntries() const { return m_textEntries; }
    // The entry dialogs shown, in order.
    const std::vector<EntryDialog>& EntryDialogs() const { return m_entryDialogs; }
    const std::vector<FileDialog>& FileDialogs() const { return m_fileDialogs; }
    // The colour each colour picker was opened with, in order.
    const std::vector<uint32_t>& ColorPickers() const { return m_colorPickers; }
    // What each preferences dialog showed when it opened, in order.
    const std::vector<PreferencesRequest>& PreferenceDialogs() const { return m_preferenceDialogs; }
    // The text last set on a status pane, empty when never set.
    std::string StatusPane(int pane) const;
    // How often the wait cursor appeared, and whether it shows now.
    int32_t WaitCursorShows() const { return m_waitShows; }
    bool WaitCursorShown() const { return m_waitShown; }
    CountingProgressMeter& Meter() { return m_progress; }

protected:
    void ShowWaitCursor(bool show) override;

private:
    bool AnswerFile(bool save, const FileDialogRequest& request, std::string& out);
    // Takes the front of the text queue; false when it is empty or holds a cancel.
    bool NextText(std::string& out);

    std::vector<Message> m_messages;
    std::vector<TextEntry> m_textEntries;
    std::vector<EntryDialog> m_entryDialogs;
    std::vector<FileDialog> m_fileDialogs;
    std::vector<uint32_t> m_colorPickers;
    std::deque<Answer> m_answers;
    std::deque<std::optional<std::string>> m_texts;
    std::deque<std::optional<std::string>> m_files;
    std::deque<std::optional<uint32_t>> m_colors;
    std::deque<std::optional<PreferenceChanges>> m_preferences;
    std::vector<PreferencesRequest> m_preferenceDialogs;
    Answer m_defaultAnswer = Answer::Yes;
    std::map<int, std::string> m_panes;
    CountingProgressMeter m_progress;
    int32_t m_waitShows = 0;
    bool m_waitShown = false;
    int32_t m_escapeAfter = -1;
    int32_t m_escapePolls = 0;
};

} // namespace ts
