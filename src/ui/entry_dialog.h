#pragma once

#include "platform/user_interface.h"

#include <QDialog>
#include <QValidator>

#include <string>

class QLineEdit;
class QPushButton;

namespace ts {

// Takes a text only when every character is in the accepted set: a refused key changes nothing, and
// neither does a paste that holds a refused character.
class CharacterFilter final : public QValidator {
public:
    CharacterFilter(std::string accepted, QObject* parent)
        : QValidator(parent), m_accepted(std::move(accepted)) {}
    State validate(QString& input, int& position) const override;

private:
    std::string m_accepted;
};

// The distance and angle entries: the label and the edit field on one row, the example under them,
// OK and Cancel.
class CEntryDialog final : public QDialog {
public:
    CEntryDialog(const EntryDialog& model, QWidget* parent = nullptr);
    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    std::string Text() const;

    // Shows the dialog modally; true with the field's text on OK. Installed into the user interface.
    static bool Show(QWidget* parent, const EntryDialog& model, std::string& out);

private:
    QLineEdit* m_edit = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace ts
