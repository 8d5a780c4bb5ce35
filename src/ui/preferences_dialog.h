#pragma once

#include "platform/preferences.h"

#include <QDialog>
#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace ts {

// One page of the preferences dialog: a heading and the page's controls under it.
class CPrefPane final : public QWidget {
public:
    CPrefPane(const QString& title, QWidget* parent);
    QString Title() const { return m_title; }
    QVBoxLayout* Body() const { return m_body; }

private:
    QString m_title;
    QVBoxLayout* m_body = nullptr;
};

// The preferences: a tree of categories on the left chooses the pane on the right; OK takes the values
// (the request's values are left alone on Cancel). Every control and its label carry a rich tooltip.
// Controls are named after the settings they edit ("Resolution", "ThinLineIndex", "PaperColorRed").
class CPreferencesDialog final : public QDialog {
public:
    static constexpr std::array<const char*, 5> kCategories{"CAD Import Options", "Default Paper Size",
                                                            "Nudge", "Thumbnail", "Units"};
    // The closing note of every tooltip.
    static constexpr const char* kKeptNote = "This setting stays in effect until you change it.";

    explicit CPreferencesDialog(const PreferencesRequest& request, QWidget* parent = nullptr);

    // The values as the controls hold them now.
    PreferenceValues Values() const;
    QTreeWidget* Tree() const { return m_tree; }
    QStackedWidget* Panes() const { return m_panes; }
    CPrefPane* Pane(int category) const { return m_paneOf[static_cast<size_t>(category)]; }
    // Shows the pane of a category as a click on its tree item does.
    void SelectCategory(int category);
    QLabel* ProblemLabel() const { return m_problem; }
    QPushButton* OkButton() const { return m_ok; }

    // Refuses to close while a value cannot be stored, naming it under the panes.
    void accept() override;

    // Shows the dialog modally; true with the values in request on OK. Installed into the user interface.
    static bool Show(QWidget* parent, PreferencesRequest& request);

private:
    CPrefPane* AddPane(int category);
    void BuildCadPane(CPrefPane* pane);
    void BuildPaperPane(CPrefPane* pane, bool hasDrawingColor);
    void BuildNudgePane(CPrefPane* pane);
    void BuildThumbnailPane(CPrefPane* pane);
    void BuildUnitsPane(CPrefPane* pane);
    QLineEdit* AddEdit(const char* name, const std::string& text, const char* accepted, int width);
    void ShowCategory(QTreeWidgetItem* item);
    void FillThinLines();
    void UpdateSwatch();
    void UpdateResolutionCaption();

    PreferencesRequest m_request;
    QTreeWidget* m_tree = nullptr;
    QStackedWidget* m_panes = nullptr;
    std::array<CPrefPane*, 5> m_paneOf{};
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
    QLineEdit* m_red = nullptr;
    QLineEdit* m_green = nullptr;
    QLineEdit* m_blue = nullptr;
    QLabel* m_swatch = nullptr;
    QComboBox* m_texture = nullptr;
    QLineEdit* m_resolution = nullptr;
    QLabel* m_resolutionCaption = nullptr;
    QLineEdit* m_paperWidth = nullptr;
    QLineEdit* m_paperHeight = nullptr;
    QLineEdit* m_scaleWidth = nullptr;
    QLineEdit* m_scaleHeight = nullptr;
    QButtonGroup* m_thumbSize = nullptr;
    QLineEdit* m_nudge = nullptr;
    QCheckBox* m_metric = nullptr;
    QComboBox* m_thinLines = nullptr;
    int m_thinLineIndex = 3;
};

} // namespace ts
