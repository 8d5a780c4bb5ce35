#include "ui/entry_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ts {

QValidator::State CharacterFilter::validate(QString& input, int& /*position*/) const {
    for (const QChar ch : input) {
        const char16_t code = ch.unicode();
        if (code > 0x7F ||
            (!m_accepted.empty() && m_accepted.find(static_cast<char>(code)) == std::string::npos)) {
            return Invalid;
        }
    }
    return Acceptable;
}

CEntryDialog::CEntryDialog(const EntryDialog& model, QWidget* parent) : QDialog(parent) {
    setWindowTitle(model.caption.empty() ? QStringLiteral("Tintsmith")
                                         : QString::fromStdString(model.caption));
    auto* rows = new QVBoxLayout(this);
    auto* field = new QHBoxLayout;
    // The labels keep their blanks: the metric label is padded to line up with the imperial one.
    auto* label = new QLabel(QString::fromStdString(model.label), this);
    field->addWidget(label);
    m_edit = new QLineEdit(this);
    m_edit->setValidator(new CharacterFilter(model.accepted, m_edit));
    m_edit->setMinimumWidth(140);
    label->setBuddy(m_edit);
    field->addWidget(m_edit, 1);
    rows->addLayout(field);
    if (!model.example.empty()) {
        rows->addWidget(new QLabel(QString::fromStdString(model.example), this));
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    rows->addLayout(buttons);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_edit->setFocus();
}

std::string CEntryDialog::Text() const {
    return m_edit->text().toStdString();
}

bool CEntryDialog::Show(QWidget* parent, const EntryDialog& model, std::string& out) {
    CEntryDialog dialog(model, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    out = dialog.Text();
    return true;
}

} // namespace ts
