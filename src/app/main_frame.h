#pragma once

#include "app/tintsmith_view.h"
#include "qtplatform/qt_user_interface.h"
#include "ui/layer_panel.h"
#include "ui/mode_panel.h"
#include "workspace/workspace.h"

#include <QLabel>
#include <QMainWindow>
#include <QToolButton>

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QScrollBar;
class QSpinBox;
class QToolBar;

namespace ts {

// The main window: menus built from the command table, the control bar with the tool row and the
// current mode's panel, the drawing view and a status bar of six panes.
class CMainFrame final : public QMainWindow {
public:
    CMainFrame(Workspace& workspace, QtUserInterface& ui);
    ~CMainFrame() override;

    CTintsmithView* View() { return m_view; }
    // "Tintsmith - Untitled", or "Tintsmith - " and the drawing's file name.
    void SetWindowTitle(const std::string& fileName);
    // The layer and zoom panes, the Undo and Redo buttons: after every command and input.
    void UpdateIndicators();
    void SetPane(int pane, const std::string& text);
    // The tooltip texts of "tooltips.txt", by number (the first entry with a number wins).
    static std::map<int32_t, std::string> ReadTooltips(const std::string& path);

    // Whether an accelerator is the frame's own key (function keys, Ctrl and Shift combinations).
    static bool IsFrameShortcut(const std::string& accelerator);

    // Opens a drawing (or a legacy file) after asking to save the open one: drops and the command line.
    bool OpenFile(const std::string& path);
    // A plain PNG imported as the drawing's "CAD Layer" (its refusals shown as messages).
    bool ImportCadFile(const std::string& path);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildControlBar();
    void BuildDropDowns(QToolBar* bar);
    static bool IsDropDownMenu(const std::string& menu);
    // The painting tools' buttons, the brush size and the single-stroke undo, in the tool row.
    void BuildPaintingTools(QToolBar* bar);
    void ShowBrushSize();
    void BuildStatusBar();
    QMenu* MenuFor(const std::string& path);
    void RunCommand(int32_t id);
    // The menu items' texts, enabled and checked states as the program's state is now.
    void UpdateActions();
    static std::string MenuText(const Command& c, const std::string& text);
    void BuildViewArea();
    void SyncScrollBars();
    void BindHelpCommands();
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool m_tooltipsOn = true;
    bool m_helperPrompts = true;

    Workspace& m_workspace;
    QtUserInterface& m_ui;
    CTintsmithView* m_view = nullptr;
    std::map<std::string, QMenu*> m_menus;
    std::map<int32_t, QAction*> m_actions;
    std::vector<std::pair<int32_t, QAction*>> m_dropDownActions;
    std::map<int32_t, std::string> m_tooltips;
    std::array<QLabel*, 6> m_panes{};
    QToolButton* m_undo = nullptr;
    QToolButton* m_redo = nullptr;
    LayerPanel* m_layerPanel = nullptr;
    ModePanel* m_modePanel = nullptr;
    std::vector<std::pair<ScreenTool*, QToolButton*>> m_toolButtons;
    QSpinBox* m_brushSize = nullptr;
    QScrollBar* m_hScroll = nullptr;
    QScrollBar* m_vScroll = nullptr;
    QToolButton* m_undoStroke = nullptr;
};

} // namespace ts
