#pragma once

#include "platform/user_interface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QWidget;
class QProgressBar;

namespace ts {

// The person at the screen through Qt's own dialogs: message boxes, text entry, file dialogs (Qt's own,
// not the desktop's, so that they behave the same everywhere), the wait cursor and a status-bar meter.
class QtUserInterface final : public UserInterface {
public:
    QtUserInterface();
    ~QtUserInterface() override;

    // The window dialogs belong to, the status bar's progress bar and where pane texts go.
    void SetParent(QWidget* parent) { m_parent = parent; }
    void SetProgressBar(QProgressBar* bar);
    void SetPaneSink(std::function<void(int, const std::string&)> sink) { m_paneSink = std::move(sink); }
    // The program's colour picker lives above this layer, so the application installs the function that
    // opens it (parent window, colour in and out, true on OK). Without one Qt's colour dialog is used.
    using ColorPickerOpener = std::function<bool(QWidget*, uint32_t&)>;
    void SetColorPickerOpener(ColorPickerOpener opener) { m_colorPickerOpener = std::move(opener); }

    // The entry dialogs (distance, angle) are drawn above this layer too; the application installs the
    // function that shows one (parent window, the dialog, the text out, true on OK). Without one a
    // plain text entry is shown and the refused characters are dropped from its answer.
    using EntryDialogOpener = std::function<bool(QWidget*, const EntryDialog&, std::string&)>;
    void SetEntryDialogOpener(EntryDialogOpener opener) { m_entryDialogOpener = std::move(opener); }

    // The preferences dialog is drawn above this layer as well (parent window, the request, true on
    // OK). Without one the dialog is cancelled.
    using PreferencesOpener = std::function<bool(QWidget*, PreferencesRequest&)>;
    void SetPreferencesOpener(PreferencesOpener opener) { m_preferencesOpener = std::move(opener); }

    Answer MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                      MessageButtons buttons) override;
    bool EnterText(const std::string& prompt, const std::string& caption, const std::string& initial,
                   std::string& out) override;
    bool EnterValue(const EntryDialog& dialog, std::string& out) override;
    bool ChooseOpenFile(const FileDialogRequest& request, std::string& out) override;
    bool ChooseSaveFile(const FileDialogRequest& request, std::string& out) override;
    bool ChooseColor(uint32_t& color) override;
    bool EditPreferences(PreferencesRequest& request) override;
    ProgressMeter& Progress() override;
    void SetStatusPane(int pane, const std::string& text) override;
    // Handles the events that wait and tells whether Esc was among the key presses since the last poll.
    bool EscapePressed() override;

protected:
    void ShowWaitCursor(bool show) override;

private:
    class BarMeter;
    class EscapeWatch;
    std::unique_ptr<EscapeWatch> m_escape;
    QWidget* m_parent = nullptr;
    std::unique_ptr<BarMeter> m_meter;
    std::function<void(int, const std::string&)> m_paneSink;
    ColorPickerOpener m_colorPickerOpener;
    EntryDialogOpener m_entryDialogOpener;
    PreferencesOpener m_preferencesOpener;
};

} // namespace ts
