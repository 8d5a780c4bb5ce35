#include "ui/preferences_dialog.h"

#include "model/board_textures.h"
#include "ui/entry_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>

namespace ts {

namespace {

enum Category { kCad, kPaper, kNudge, kThumbnail, kUnits };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A small HTML document: what the control is, what it does, and the note that it is kept.
QString Tip(const char* title, const char* body) {
    return QStringLiteral("<html><b>%1</b><p>%2</p><p><i>%3</i></p></html>")
        .arg(QString::fromUtf8(title), QString::fromUtf8(body),
             QString::fromUtf8(CPreferencesDialog::kKeptNote));
}

void SetTip(std::initializer_list<QWidget*> widgets, const QString& tip) {
    for (QWidget* w : widgets) {
        w->setToolTip(tip);
    }
}

QGroupBox* Group(const char* title, QWidget* parent) {
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setObjectName(QString::fromUtf8(title));
    return group;
}

// "36.0" reads as "36" in a caption; a text that is no number is shown as typed.
QString SideCaption(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok ? QString::number(value, 'g', 6) : text.trimmed();
}

} // namespace

CPrefPane::CPrefPane(const QString& title, QWidget* parent) : QWidget(parent), m_title(title) {
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(12, 0, 0, 0);
    auto* heading = new QLabel(title, this);
    QFont font = heading->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    heading->setFont(font);
    rows->addWidget(heading);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rows->addWidget(rule);
    m_body = new QVBoxLayout;
    m_body->setSpacing(10);
    rows->addLayout(m_body);
    rows->addStretch(1);
}

CPreferencesDialog::CPreferencesDialog(const PreferencesRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request), m_thinLineIndex(request.values.thinLineIndex) {
    setWindowTitle(QStringLiteral("Preferences"));
    auto* rows = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    rows->addLayout(columns, 1);

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("Categories"));
    m_tree->setHeaderHidden(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setFixedWidth(170);
    columns->addWidget(m_tree);
    m_panes = new QStackedWidget(this);
    columns->addWidget(m_panes, 1);

    static constexpr const char* kCategoryTips[] = {
        "The line width given to the thin lines of imported CAD drawings.",
        "The paper RoviDivod drawings are printed on and scanned back from, and the paper of new drawings.",
        "How far the arrow keys move the selected layer.",
        "The size of the picture a drawing is flattened into.",
        "The units distances and grid scales are given in."};
    for (int i = 0; i < static_cast<int>(kCategories.size()); ++i) {
        auto* item =
            new QTreeWidgetItem(m_tree, QStringList(QString::fromUtf8(kCategories[static_cast<size_t>(i)])));
        item->setToolTip(0, Tip(kCategories[static_cast<size_t>(i)], kCategoryTips[i]));
        m_paneOf[static_cast<size_t>(i)] = AddPane(i);
    }
    BuildCadPane(m_paneOf[kCad]);
    BuildPaperPane(m_paneOf[kPaper], request.drawingPaperColor.has_value());
    BuildNudgePane(m_paneOf[kNudge]);
    BuildThumbnailPane(m_paneOf[kThumbnail]);
    BuildUnitsPane(m_paneOf[kUnits]);

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("Problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_problem->hide();
    rows->addWidget(m_problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    rows->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { ShowCategory(item); });
    m_tree->setCurrentItem(m_tree->topLevelItem(0));
    ShowCategory(m_tree->topLevelItem(0));
    resize(660, 430);
}

CPrefPane* CPreferencesDialog::AddPane(int category) {
    auto* pane = new CPrefPane(QString::fromUtf8(kCategories[static_cast<size_t>(category)]), m_panes);
    m_panes->addWidget(pane);
    return pane;
}

QLineEdit* CPreferencesDialog::AddEdit(const char* name, const std::string& text, const char* accepted,
                                       int width) {
    auto* edit = new QLineEdit(Q(text), this);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setValidator(new CharacterFilter(accepted, edit));
    edit->setFixedWidth(width);
    return edit;
}

void CPreferencesDialog::BuildCadPane(CPrefPane* pane) {
    auto* group = Group("CAD Import Options", pane);
    auto* row = new QHBoxLayout(group);
    auto* label = new QLabel(QStringLiteral("Set Thin Lines To: "), group);
    m_thinLines = new QComboBox(group);
    m_thinLines->setObjectName(QStringLiteral("ThinLineIndex"));
    m_thinLines->setMinimumWidth(70);
    label->setBuddy(m_thinLines);
    row->addWidget(label);
    row->addWidget(m_thinLines);
    row->addStretch(1);
    SetTip({label, m_thinLines},
           Tip("Set Thin Lines To", "The line width, from 1 to 31, that the thin lines of an imported CAD "
                                    "drawing are given."));
    connect(m_thinLines, &QComboBox::activated, this, [this](int index) { m_thinLineIndex = index + 1; });
    pane->Body()->addWidget(group);
}

void CPreferencesDialog::BuildPaperPane(CPrefPane* pane, bool hasDrawingColor) {
    const PreferenceValues& v = m_request.values;
    const char* decimal = PreferenceValues::kDecimalCharacters;
    const char* whole = PreferenceValues::kIntegerCharacters;

    auto* scan = Group("Scan-Print Paper", pane);
    auto* scanGrid = new QGridLayout(scan);
    m_paperWidth = AddEdit("PaperWidth", v.paperWidth, decimal, 80);
    m_paperHeight = AddEdit("PaperHeight", v.paperHeight, decimal, 80);
    m_resolution = AddEdit("Resolution", v.resolution, whole, 80);
    auto* scanWidth = new QLabel(QStringLiteral("Width"), scan);
    auto* scanHeight = new QLabel(QStringLiteral("Height"), scan);
    m_resolutionCaption = new QLabel(scan);
    m_resolutionCaption->setObjectName(QStringLiteral("ResolutionCaption"));
    auto* dpi = new QLabel(QStringLiteral("DPI "), scan);
    scanGrid->addWidget(scanWidth, 0, 0);
    scanGrid->addWidget(m_paperWidth, 0, 1);
    scanGrid->addWidget(new QLabel(QStringLiteral("in"), scan), 0, 2);
    scanGrid->addWidget(scanHeight, 1, 0);
    scanGrid->addWidget(m_paperHeight, 1, 1);
    scanGrid->addWidget(new QLabel(QStringLiteral("in"), scan), 1, 2);
    scanGrid->addWidget(m_resolutionCaption, 0, 4);
    scanGrid->addWidget(dpi, 1, 4, Qt::AlignRight);
    scanGrid->addWidget(m_resolution, 1, 5);
    scanGrid->setColumnMinimumWidth(3, 24);
    scanGrid->setColumnStretch(6, 1);
    SetTip({scanWidth, m_paperWidth},
           Tip("Width", "The width in inches of the paper RoviDivod drawings are printed on and scanned back "
                        "from. The default printer's paper must match it."));
    SetTip({scanHeight, m_paperHeight}, Tip("Height", "The height in inches of the scan-print paper."));
    SetTip({dpi, m_resolution, m_resolutionCaption},
           Tip("DPI", "The dots per inch at which RoviDivod drawings are printed and scanned back, and the "
                      "resolution of a new layer's scale."));
    connect(m_paperWidth, &QLineEdit::textChanged, this, [this] { UpdateResolutionCaption(); });
    connect(m_paperHeight, &QLineEdit::textChanged, this, [this] { UpdateResolutionCaption(); });
    UpdateResolutionCaption();
    pane->Body()->addWidget(scan);

    auto* drawing = Group("Scale Drawing Paper", pane);
    auto* drawingGrid = new QGridLayout(drawing);
    auto* settingsCaption = new QLabel(QStringLiteral("New Drawing Paper Settings"), drawing);
    drawingGrid->addWidget(settingsCaption, 0, 0, 1, 7);
    m_scaleWidth = AddEdit("ScaleDrawingPaperWidth", v.scaleWidth, decimal, 80);
    m_scaleHeight = AddEdit("ScaleDrawingPaperHeight", v.scaleHeight, decimal, 80);
    auto* newWidth = new QLabel(QStringLiteral("Width"), drawing);
    auto* newHeight = new QLabel(QStringLiteral("Height"), drawing);
    drawingGrid->addWidget(newWidth, 1, 0);
    drawingGrid->addWidget(m_scaleWidth, 1, 1);
    drawingGrid->addWidget(new QLabel(QStringLiteral("in"), drawing), 1, 2);
    drawingGrid->addWidget(newHeight, 2, 0);
    drawingGrid->addWidget(m_scaleHeight, 2, 1);
    drawingGrid->addWidget(new QLabel(QStringLiteral("in"), drawing), 2, 2);
    SetTip({settingsCaption, newWidth, m_scaleWidth},
           Tip("Width", "The width in inches of the page of a new drawing."));
    SetTip({newHeight, m_scaleHeight}, Tip("Height", "The height in inches of the page of a new drawing."));

    auto* colorLabel = new QLabel(QStringLiteral("Background Paper Color - RGB: "), drawing);
    auto* channels = new QHBoxLayout;
    m_red = AddEdit("PaperColorRed", v.red, whole, 44);
    m_green = AddEdit("PaperColorGreen", v.green, whole, 44);
    m_blue = AddEdit("PaperColorBlue", v.blue, whole, 44);
    m_swatch = new QLabel(drawing);
    m_swatch->setObjectName(QStringLiteral("PaperColorSwatch"));
    m_swatch->setFixedSize(36, 22);
    m_swatch->setFrameShape(QFrame::Box);
    auto* fromDrawing = new QPushButton(QStringLiteral("Set From Drawing"), drawing);
    fromDrawing->setObjectName(QStringLiteral("SetFromDrawing"));
    fromDrawing->setEnabled(hasDrawingColor);
    for (QWidget* w :
         {static_cast<QWidget*>(m_red), static_cast<QWidget*>(m_green), static_cast<QWidget*>(m_blue),
          static_cast<QWidget*>(m_swatch), static_cast<QWidget*>(fromDrawing)}) {
        channels->addWidget(w);
    }
    channels->addStretch(1);
    drawingGrid->addWidget(colorLabel, 3, 0, 1, 3);
    drawingGrid->addLayout(channels, 3, 3, 1, 4);
    SetTip({colorLabel, m_red, m_green, m_blue, m_swatch},
           Tip("Background Paper Color", "The tint of the paper of new drawings: red, green and blue, each "
                                         "from 0 to 255."));
    SetTip({fromDrawing}, Tip("Set From Drawing", "Takes the colour of the open drawing's paper."));
    for (QLineEdit* e : {m_red, m_green, m_blue}) {
        connect(e, &QLineEdit::textChanged, this, [this] { UpdateSwatch(); });
    }
    connect(fromDrawing, &QPushButton::clicked, this, [this] {
        if (m_request.drawingPaperColor) {
            PreferenceValues taken;
            taken.SetPaperColor(*m_request.drawingPaperColor);
            m_red->setText(Q(taken.red));
            m_green->setText(Q(taken.green));
            m_blue->setText(Q(taken.blue));
        }
    });
    UpdateSwatch();

    auto* textureLabel = new QLabel(QStringLiteral("Background Paper Texture: "), drawing);
    m_texture = new QComboBox(drawing);
    m_texture->setObjectName(QStringLiteral("PaperTextureIndex"));
    for (const BoardTexture& t : kBoardTextures) {
        m_texture->addItem(QString::fromUtf8(t.name));
    }
    m_texture->setCurrentIndex(v.paperTextureIndex);
    drawingGrid->addWidget(textureLabel, 4, 0, 1, 3);
    drawingGrid->addWidget(m_texture, 4, 3, 1, 3, Qt::AlignLeft);
    drawingGrid->setColumnStretch(6, 1);
    SetTip({textureLabel, m_texture}, Tip("Background Paper Texture", "The board texture of new drawings."));
    pane->Body()->addWidget(drawing);
}

void CPreferencesDialog::BuildNudgePane(CPrefPane* pane) {
    auto* group = Group("Nudge Amount", pane);
    auto* row = new QHBoxLayout(group);
    auto* label = new QLabel(QStringLiteral("Pixels Per Nudge"), group);
    m_nudge =
        AddEdit("NudgeStrength", m_request.values.nudgeStrength, PreferenceValues::kIntegerCharacters, 70);
    row->addWidget(label);
    row->addWidget(m_nudge);
    row->addStretch(1);
    SetTip({label, m_nudge},
           Tip("Pixels Per Nudge", "How far each press of an arrow key moves the selected layer, in drawing "
                                   "pixels."));
    pane->Body()->addWidget(group);
}

void CPreferencesDialog::BuildThumbnailPane(CPrefPane* pane) {
    auto* group = Group("Thumbnail Size", pane);
    auto* column = new QVBoxLayout(group);
    m_thumbSize = new QButtonGroup(group);
    const QString tip = Tip("Thumbnail Size", "The size of the picture a drawing is flattened into for its "
                                              "thumbnail and for exported images.");
    for (int i = 0; i < static_cast<int>(PreferenceValues::kThumbSizeItems.size()); ++i) {
        auto* choice = new QRadioButton(
            QString::fromUtf8(PreferenceValues::kThumbSizeItems[static_cast<size_t>(i)]), group);
        choice->setObjectName(QStringLiteral("ThumbSize%1").arg(i));
        choice->setToolTip(tip);
        m_thumbSize->addButton(choice, i);
        column->addWidget(choice);
    }
    group->setToolTip(tip);
    if (QAbstractButton* chosen = m_thumbSize->button(m_request.values.thumbSize)) {
        chosen->setChecked(true);
    }
    pane->Body()->addWidget(group);
}

void CPreferencesDialog::BuildUnitsPane(CPrefPane* pane) {
    auto* group = Group("Units Options", pane);
    auto* column = new QVBoxLayout(group);
    m_metric = new QCheckBox(QStringLiteral("Meters"), group);
    m_metric->setObjectName(QStringLiteral("EnableMetric"));
    m_metric->setChecked(m_request.values.enableMetric);
    column->addWidget(m_metric);
    SetTip({m_metric}, Tip("Meters", "Distances and grid scales in metres; unchecked, in feet and inches."));
    pane->Body()->addWidget(group);
}

void CPreferencesDialog::SelectCategory(int category) {
    m_tree->setCurrentItem(m_tree->topLevelItem(category));
}

// Every other pane is hidden; the CAD pane's list is filled when it is shown.
void CPreferencesDialog::ShowCategory(QTreeWidgetItem* item) {
    const int category = item ? m_tree->indexOfTopLevelItem(item) : -1;
    if (category < 0) {
        return;
    }
    m_panes->setCurrentIndex(category);
    if (category == kCad) {
        FillThinLines();
    }
}

void CPreferencesDialog::FillThinLines() {
    m_thinLines->clear();
    for (int i = 1; i <= PreferenceValues::kThinLineCount; ++i) {
        m_thinLines->addItem(QString::number(i));
    }
    m_thinLines->setCurrentIndex(m_thinLineIndex - 1);
}

void CPreferencesDialog::UpdateSwatch() {
    PreferenceValues v;
    v.red = m_red->text().toStdString();
    v.green = m_green->text().toStdString();
    v.blue = m_blue->text().toStdString();
    const uint32_t c = v.PaperColor();
    m_swatch->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                                .arg(c & 0xFF)
                                .arg((c >> 8) & 0xFF)
                                .arg((c >> 16) & 0xFF));
}

void CPreferencesDialog::UpdateResolutionCaption() {
    m_resolutionCaption->setText(
        QStringLiteral("%1 x %2 Resolution")
            .arg(SideCaption(m_paperWidth->text()), SideCaption(m_paperHeight->text())));
}

PreferenceValues CPreferencesDialog::Values() const {
    PreferenceValues v = m_request.values;
    v.red = m_red->text().toStdString();
    v.green = m_green->text().toStdString();
    v.blue = m_blue->text().toStdString();
    v.paperTextureIndex = m_texture->currentIndex();
    v.resolution = m_resolution->text().toStdString();
    v.paperWidth = m_paperWidth->text().toStdString();
    v.paperHeight = m_paperHeight->text().toStdString();
    v.scaleWidth = m_scaleWidth->text().toStdString();
    v.scaleHeight = m_scaleHeight->text().toStdString();
    v.thumbSize = m_thumbSize->checkedId() >= 0 ? m_thumbSize->checkedId() : v.thumbSize;
    v.nudgeStrength = m_nudge->text().toStdString();
    v.enableMetric = m_metric->isChecked();
    v.thinLineIndex = m_thinLineIndex;
    return v;
}

void CPreferencesDialog::accept() {
    const std::string problem = Values().Problem();
    if (!problem.empty()) {
        m_problem->setText(Q(problem));
        m_problem->show();
        return;
    }
    QDialog::accept();
}

bool CPreferencesDialog::Show(QWidget* parent, PreferencesRequest& request) {
    CPreferencesDialog dialog(request, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    request.values = dialog.Values();
    return true;
}

} // namespace ts
