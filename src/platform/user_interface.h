#pragma once

#include "platform/progress_meter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ts {

struct PreferencesRequest;

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// What a file dialog is asked to show. Filters use the framework form
// "Description (*.a;*.b)|*.a;*.b|Other (*.c)|*.c||": description and pattern list alternate.
struct FileDialogRequest {
    std::string title;
    std::string folder;           // start folder; empty for the platform's choice
    std::string fileName;         // proposed name (save dialogs)
    std::string filters;          // framework form, see above
    std::string defaultExtension; // without the dot, appended when the user typed none
    bool overwritePrompt = true;  // save dialogs: ask before replacing an existing file
};

// One filter of a framework filter string: "PNG (*.png)" with the patterns {"*.png"}.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// A small dialog with one edit field that takes only some characters: the distance and angle entries.
struct EntryDialog {
    int32_t resource = 0; // the dialog's number
    std::string caption;  // the window title
    std::string label;    // before the edit field
    std::string example;  // a line of help under the field; empty for none
    std::string accepted; // every character the field takes; empty takes all
    // Whether the field takes the character.
    bool Accepts(char c) const { return accepted.empty() || accepted.find(c) != std::string::npos; }
    // The text as the field would hold it after it was typed: refused characters are left out.
    std::string Filtered(const std::string& text) const;
};

// Splits a framework filter string into its filters; an entry with no pattern part is dropped.
std::vector<FileFilter> ParseFileFilters(const std::string& filters);

// Everything the core asks of the person at the screen. One implementation drives real widgets, the
// headless one answers from queues. An empty caption stands for the program's name, "Tintsmith".
class UserInterface {
public:
    virtual ~UserInterface() = default;

    virtual Answer MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                              MessageButtons buttons) = 0;

    // The framework's defaults: an OK box shows the warning icon, a question the question icon.
    void ShowMessage(const std::string& text, const std::string& caption = "",
                     MessageIcon icon = MessageIcon::Warning) {
        MessageBox(text, caption, icon, MessageButtons::Ok);
    }
    bool AskYesNo(const std::string& text, const std::string& caption = "") {
        return MessageBox(text, caption, MessageIcon::Question, MessageButtons::YesNo) == Answer::Yes;
    }
    Answer AskYesNoCancel(const std::string& text, const std::string& caption = "") {
        return MessageBox(text, caption, MessageIcon::Question, MessageButtons::YesNoCancel);
    }

    // A one-line text entry; true with the text in out on OK, false (out untouched) on Cancel.
    virtual bool EnterText(const std::string& prompt, const std::string& caption, const std::string& initial,
                           std::string& out) = 0;

    // An entry dialog; true with the field's text in out on OK, false (out untouched) on Cancel.
    virtual bool EnterValue(const EntryDialog& dialog, std::string& out) = 0;

    // File dialogs: true with the chosen path in out, false (out untouched) when cancelled.
    virtual bool ChooseOpenFile(const FileDialogRequest& request, std::string& out) = 0;
    virtual bool ChooseSaveFile(const FileDialogRequest& request, std::string& out) = 0;
    bool ChooseOpenFile(const std::string& title, const std::string& folder, const std::string& filters,
                        std::string& out) {
        return ChooseOpenFile(FileDialogRequest{title, folder, "", filters, "", true}, out);
    }
    bool ChooseSaveFile(const std::string& title, const std::string& folder, const std::string& fileName,
                        const std::string& filters, std::string& out) {
        return ChooseSaveFile(FileDialogRequest{title, folder, fileName, filters, "", true}, out);
    }

    // The colour picker: color (0x00BBGGRR) is the colour shown at first; true with the chosen colour
    // in color on OK, false (color untouched) on Cancel.
    virtual bool ChooseColor(uint32_t& color) = 0;

    // The preferences dialog, opened with request.values; true on OK with the values as the user left
    // them, false on Cancel. Without a dialog of its own an interface cancels.
    virtual bool EditPreferences(PreferencesRequest& /*request*/) { return false; }

    // The wait cursor nests: it shows at the first Begin and goes at the matching last End. An End
    // without a Begin is ignored.
    void BeginWaitCursor() {
        if (m_waitDepth++ == 0) {
            ShowWaitCursor(true);
        }
    }
    void EndWaitCursor() {
        if (m_waitDepth > 0 && --m_waitDepth == 0) {
            ShowWaitCursor(false);
        }
    }
    int32_t WaitCursorDepth() const { return m_waitDepth; }

    virtual ProgressMeter& Progress() = 0;

    // Pane 0 is the prompt pane of the status bar.
    virtual void SetStatusPane(int pane, const std::string& text) = 0;

    // Polled during long work (printing): whether Esc was pressed since the last poll. Other input
    // that waits is handled meanwhile.
    virtual bool EscapePressed() { return false; }

protected:
    virtual void ShowWaitCursor(bool show) = 0;

private:
    int32_t m_waitDepth = 0;
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    explicit WaitCursor(UserInterface& ui) : m_ui(ui) { m_ui.BeginWaitCursor(); }
    ~WaitCursor() { m_ui.EndWaitCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    UserInterface& m_ui;
};

// Causes of a failed file operation, numbered as the file-error texts are.
enum class FileErrorCause : int32_t {
    None = 0,
    Generic = 1,
    FileNotFound = 2,
    BadPath = 3,
    TooManyOpenFiles = 4,
    AccessDenied = 5,
    InvalidFile = 6,
    RemoveCurrentDir = 7,
    DirectoryFull = 8,
    BadSeek = 9,
    HardIO = 10,
    SharingViolation = 11,
    LockViolation = 12,
    DiskFull = 13,
    EndOfFile = 14,
};

// The cause that an errno value of a failed open, read, write or seek stands for.
FileErrorCause FileErrorCauseFromErrno(int error);

// "<fileName>\n<text of the cause>"; a cause without a text gives the name and the line break alone.
std::string FileErrorText(int32_t cause, const std::string& fileName);
inline std::string FileErrorText(FileErrorCause cause, const std::string& fileName) {
    return FileErrorText(static_cast<int32_t>(cause), fileName);
}

// Shows FileErrorText with the caption "Tintsmith Error" and the error icon.
void ShowFileError(UserInterface& ui, int32_t cause, const std::string& fileName);
inline void ShowFileError(UserInterface& ui, FileErrorCause cause, const std::string& fileName) {
    ShowFileError(ui, static_cast<int32_t>(cause), fileName);
}

// The name of a failing zlib result code with a full stop ("Z_DATA_ERROR."); empty for Z_OK and for
// codes zlib does not define.
std::string ZlibErrorText(int code);

} // namespace ts
