#include "qtplatform/qt_user_interface.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QStringList>

namespace ts {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QString Caption(const std::string& caption) {
    return caption.empty() ? QStringLiteral("Tintsmith") : Q(caption);
}

// "PNG (*.png)|*.png|All (*.*)|*.*||" as Qt's "PNG (*.png);;All (*.*)".
QString NameFilters(const std::string& filters) {
    QStringList list;
    for (const FileFilter& f : ParseFileFilters(filters)) {
        QString patterns;
        for (const std::string& p : f.patterns) {
            patterns += (patterns.isEmpty() ? "" : " ") + Q(p);
        }
        list << Q(f.description).section('(', 0, 0).trimmed() + " (" + patterns + ")";
    }
    return list.join(";;");
}

} // namespace

// The status bar's progress bar, shown while an operation runs.
class QtUserInterface::BarMeter final : public ProgressMeter {
public:
    QProgressBar* bar = nullptr;
    void Start(int32_t steps) override {
        m_done = 0;
        if (bar) {
            bar->setRange(0, std::max(1, steps));
            bar->setValue(0);
            bar->show();
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    void Step() override {
        ++m_done;
        if (bar && m_done <= bar->maximum()) {
            bar->setValue(m_done);
        }
    }
    void Finish() override {
        if (bar) {
            bar->hide();
        }
    }

private:
    int32_t m_done = 0;
};

QtUserInterface::QtUserInterface() : m_meter(std::make_unique<BarMeter>()) {}

void QtUserInterface::SetProgressBar(QProgressBar* bar) {
    m_meter->bar = bar;
}

Answer QtUserInterface::MessageBox(const std::string& text, const std::string& caption, MessageIcon icon,
                                   MessageButtons buttons) {
    QMessageBox box(m_parent);
    box.setWindowTitle(Caption(caption));
    // A lone carriage return is a line break in the program's texts.
    QString shown = Q(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    switch (icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::None:
        break;
    }
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    const int result = box.exec();
    switch (result) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

bool QtUserInterface::EnterText(const std::string& prompt, const std::string& caption,
                                const std::string& initial, std::string& out) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, Caption(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
    if (ok) {
        out = text.toStdString();
    }
    return ok;
}

bool QtUserInterface::EnterValue(const EntryDialog& dialog, std::string& out) {
    if (m_entryDialogOpener) {
        return m_entryDialogOpener(m_parent, dialog, out);
    }
    std::string text;
    if (!EnterText(dialog.label, dialog.caption, "", text)) {
        return false;
    }
    out = dialog.Filtered(text);
    return true;
}

bool QtUserInterface::ChooseOpenFile(const FileDialogRequest& request, std::string& out) {
    QFileDialog dialog(m_parent, Q(request.title), Q(request.folder), NameFilters(request.filters));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    out = dialog.selectedFiles().front().toStdString();
    return true;
}

bool QtUserInterface::ChooseSaveFile(const FileDialogRequest& request, std::string& out) {
    QFileDialog dialog(m_parent, Q(request.title), Q(request.folder), NameFilters(request.filters));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(Q(request.defaultExtension));
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(Q(request.fileName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    out = dialog.selectedFiles().front().toStdString();
    return true;
}

bool QtUserInterface::EditPreferences(PreferencesRequest& request) {
    return m_preferencesOpener && m_preferencesOpener(m_parent, request);
}

bool QtUserInterface::ChooseColor(uint32_t& color) {
    if (m_colorPickerOpener) {
        uint32_t chosen = color & 0x00FFFFFF;
        if (!m_colorPickerOpener(m_parent, chosen)) {
            return false;
        }
        color = chosen & 0x00FFFFFF;
        return true;
    }
    // Our colours keep red in the low byte.
    const QColor initial(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                         static_cast<int>((color >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(initial, m_parent, Caption(""));
    if (!chosen.isValid()) {
        return false;
    }
    color = static_cast<uint32_t>(chosen.red()) | (static_cast<uint32_t>(chosen.green()) << 8) |
            (static_cast<uint32_t>(chosen.blue()) << 16);
    return true;
}

ProgressMeter& QtUserInterface::Progress() {
    return *m_meter;
}

void QtUserInterface::SetStatusPane(int pane, const std::string& text) {
    if (m_paneSink) {
        m_paneSink(pane, text);
    }
}

void QtUserInterface::ShowWaitCursor(bool show) {
    if (show) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

// Watches the application's key presses for Esc between polls.
class QtUserInterface::EscapeWatch final : public QObject {
public:
    bool pressed = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            pressed = true;
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

bool QtUserInterface::EscapePressed() {
    if (!QCoreApplication::instance()) {
        return false;
    }
    if (!m_escape) {
        m_escape = std::make_unique<EscapeWatch>();
        QCoreApplication::instance()->installEventFilter(m_escape.get());
    }
    QCoreApplication::processEvents();
    const bool pressed = m_escape->pressed;
    m_escape->pressed = false;
    return pressed;
}

QtUserInterface::~QtUserInterface() = default;

} // namespace ts
