#include "app/main_frame.h"

#include "workspace/control_bar_menus.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextStream>
#include <QThread>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace ts {

std::map<int32_t, std::string> CMainFrame::ReadTooltips(const std::string& path) {
    std::map<int32_t, std::string> tips;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return tips;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const int bar = line.indexOf('|');
        if (bar < 0) {
            continue;
        }
        const int32_t number = std::atoi(line.left(bar).toStdString().c_str());
        QString text = line.mid(bar + 1);
        text.remove('|');
        tips.emplace(number, text.toStdString());
    }
    return tips;
}

CMainFrame::CMainFrame(Workspace& workspace, QtUserInterface& ui) : m_workspace(workspace), m_ui(ui) {
    m_tooltips = ReadTooltips(workspace.profile.ProgramFolder() + "tooltips.txt");
    BuildViewArea();
    m_workspace.titleChanged = [this](const std::string& title) {
        setWindowTitle(QString::fromStdString(title));
    };
    BindHelpCommands();
    BuildMenus();
    setAcceptDrops(true);
    qApp->installEventFilter(this);
    BuildControlBar();
    BuildStatusBar();
    m_ui.SetParent(this);
    m_ui.SetPaneSink([this](int pane, const std::string& text) { SetPane(pane, text); });
    SetWindowTitle("");
    UpdateIndicators();
}

CMainFrame::~CMainFrame() {
    qApp->removeEventFilter(this);
    m_workspace.titleChanged = nullptr;
    m_workspace.captureScreen = nullptr;
    // The user interface outlives the window: it must not reach into it any more.
    m_ui.SetPaneSink(nullptr);
    m_ui.SetProgressBar(nullptr);
    m_ui.SetParent(nullptr);
    m_workspace.toolSlot.SetToolChangedHook(nullptr);
    // Closing the window takes the focus from whatever widget holds it, and an edit box of the panel
    // reports its text finished then: the frame's own parts are gone by that time.
    if (m_view) {
        m_view->changed = nullptr;
    }
    if (m_modePanel) {
        m_modePanel->changed = nullptr;
    }
    if (m_layerPanel) {
        m_layerPanel->changed = nullptr;
    }
}

void CMainFrame::SetWindowTitle(const std::string& fileName) {
    std::string name = fileName;
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) {
        name = name.substr(slash + 1);
    }
    setWindowTitle(QString::fromStdString("Tintsmith - " + (name.empty() ? std::string("Untitled") : name)));
}

// The view with its two scroll bars, which move the drawing as a pan does and follow the view when it
// pans or zooms.
void CMainFrame::BuildViewArea() {
    auto* area = new QWidget(this);
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    m_view = new CTintsmithView(m_workspace, area);
    m_view->changed = [this] { UpdateIndicators(); };
    m_view->painted = [this] { SyncScrollBars(); };
    m_hScroll = new QScrollBar(Qt::Horizontal, area);
    m_hScroll->setObjectName("Horizontal Scroll");
    m_vScroll = new QScrollBar(Qt::Vertical, area);
    m_vScroll->setObjectName("Vertical Scroll");
    grid->addWidget(m_view, 0, 0);
    grid->addWidget(m_vScroll, 0, 1);
    grid->addWidget(m_hScroll, 1, 0);
    for (QScrollBar* bar : {m_hScroll, m_vScroll}) {
        bar->setFocusPolicy(Qt::NoFocus); // the keys stay with the view
        connect(bar, &QScrollBar::valueChanged, this,
                [this] { m_workspace.panManager.ScrollTo(m_hScroll->value(), m_vScroll->value()); });
    }
    setCentralWidget(area);
    SyncScrollBars();
}

void CMainFrame::SyncScrollBars() {
    if (!m_hScroll) {
        return;
    }
    const auto follow = [](QScrollBar* bar, const ScrollAxis& axis) {
        const QSignalBlocker quiet(bar);
        bar->setRange(0, axis.maximum);
        bar->setPageStep(axis.page);
        bar->setSingleStep(std::max(1, axis.page / 10));
        bar->setValue(axis.value);
        bar->setEnabled(axis.maximum > 0);
    };
    follow(m_hScroll, m_workspace.viewGeometry.HorizontalScroll());
    follow(m_vScroll, m_workspace.viewGeometry.VerticalScroll());
}

QMenu* CMainFrame::MenuFor(const std::string& path) {
    auto it = m_menus.find(path);
    if (it != m_menus.end()) {
        return it->second;
    }
    const size_t slash = path.rfind('/');
    QMenu* menu = nullptr;
    if (slash == std::string::npos) {
        menu = menuBar()->addMenu(QString::fromStdString(path));
    } else {
        menu = MenuFor(path.substr(0, slash))->addMenu(QString::fromStdString(path.substr(slash + 1)));
    }
    connect(menu, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    m_menus[path] = menu;
    return menu;
}

// The frame's accelerators: function keys, Ctrl and Shift combinations. Plain keys (Del, Page Up,
// the letters) belong to the view's key handling; their menu items only show them.
bool CMainFrame::IsFrameShortcut(const std::string& accelerator) {
    return !accelerator.empty() && (accelerator[0] == 'F' || accelerator.rfind("Ctrl+", 0) == 0 ||
                                    accelerator.rfind("Shift+", 0) == 0);
}

void CMainFrame::BuildMenus() {
    for (const Command& c : m_workspace.commands.Commands()) {
        const int32_t id = c.id;
        if (IsFrameShortcut(c.accelerator)) {
            // The key runs the command whatever a menu last showed: the command checks its own state,
            // so a disabled one does nothing and an enabled one never waits for a menu to be opened.
            auto* key = new QAction(this);
            key->setObjectName(QString::fromStdString("Key " + c.accelerator));
            key->setShortcut(QKeySequence(QString::fromStdString(c.accelerator)));
            connect(key, &QAction::triggered, this, [this, id] { RunCommand(id); });
            addAction(key);
        }
        // The control bar's drop-down buttons show their own commands (BuildDropDowns).
        if (c.menu.empty() || IsDropDownMenu(c.menu)) {
            continue;
        }
        QMenu* menu = MenuFor(c.menu);
        QAction* action = menu->addAction(QString::fromStdString(MenuText(c, c.text)));
        action->setStatusTip(QString::fromStdString(c.prompt));
        action->setCheckable(static_cast<bool>(c.checked));
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        m_actions[id] = action;
    }
    UpdateActions();
}

std::string CMainFrame::MenuText(const Command& c, const std::string& text) {
    if (c.accelerator.empty() || text.find('\t') != std::string::npos) {
        return text;
    }
    return text + "\t" + c.accelerator;
}

void CMainFrame::UpdateActions() {
    const CommandTable& table = m_workspace.commands;
    for (const auto& [id, action] : m_dropDownActions) {
        action->setEnabled(table.Enabled(id));
    }
    for (const auto& [id, action] : m_actions) {
        const Command* c = table.Find(id);
        if (c->dynamicText) {
            // Texts that follow the program's state (recent drawings and palettes, loaded palettes);
            // an empty one hides the item.
            const std::string text = c->dynamicText();
            action->setText(QString::fromStdString(MenuText(*c, text)));
            action->setVisible(!text.empty());
        }
        action->setEnabled(table.Enabled(id));
        if (action->isCheckable()) {
            action->setChecked(table.Checked(id));
        }
    }
}

void CMainFrame::BuildControlBar() {
    QToolBar* bar = addToolBar("Tools");
    bar->setMovable(false);
    bar->setFloatable(false);
    auto button = [&](int32_t id) {
        const Command* c = m_workspace.commands.Find(id);
        auto* b = new QToolButton(bar);
        b->setText(QString::fromStdString(c->text));
        const auto tip = m_tooltips.find(c->tooltip);
        b->setToolTip(QString::fromStdString(tip != m_tooltips.end() ? tip->second : c->text));
        connect(b, &QToolButton::clicked, this, [this, id] { RunCommand(id); });
        bar->addWidget(b);
        return b;
    };
    // The tool row: pressed while its tool is current.
    auto toolButton = [&](ScreenTool& tool, const char* text, int32_t tooltip) {
        auto* b = new QToolButton(bar);
        b->setText(text);
        b->setCheckable(true);
        const auto tip = m_tooltips.find(tooltip);
        b->setToolTip(tip != m_tooltips.end() ? QString::fromStdString(tip->second) : QString(text));
        connect(b, &QToolButton::clicked, this, [this, &tool] {
            m_workspace.toolSlot.SetTool(tool);
            UpdateIndicators();
        });
        bar->addWidget(b);
        m_toolButtons.emplace_back(&tool, b);
    };
    toolButton(m_workspace.selectTool, "Select", 60);
    toolButton(m_workspace.zoomTool, "Zoom", 230);
    m_workspace.toolSlot.SetToolChangedHook([this](ScreenTool&) { UpdateIndicators(); });
    bar->addSeparator();
    m_undo = button(cmd::kUndo);
    m_redo = button(cmd::kRedo);
    m_modePanel = new ModePanel(m_workspace.environmentManager, bar);
    m_modePanel->programFolder = m_workspace.profile.ProgramFolder();
    m_modePanel->changed = [this] { UpdateIndicators(); };
    bar->addWidget(m_modePanel);
    // "Margins": the print mode's margin edit takes the keyboard.
    m_workspace.printManager.focusControl = [this](int32_t id) {
        const CControl* control = m_workspace.printManager.Panel().Find(id);
        QWidget* widget = control ? m_modePanel->WidgetOf(*control) : nullptr;
        if (widget) {
            QLineEdit* edit = widget->findChild<QLineEdit*>();
            (edit ? static_cast<QWidget*>(edit) : widget)->setFocus(Qt::ShortcutFocusReason);
        }
    };
    // The frame panel's Tab runs through its fields in its own order.
    m_workspace.sketchFrame.FramePanel().focusChanged = [this](CControl& c) { m_modePanel->FocusControl(c); };
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    m_layerPanel = new LayerPanel(m_workspace, bar);
    m_layerPanel->changed = [this] { UpdateIndicators(); };
    bar->addWidget(m_layerPanel);
    addToolBarBreak();
    QToolBar* painting = addToolBar("Painting");
    BuildPaintingTools(painting);
    // At the end of the row, so that nothing before them moves.
    BuildDropDowns(painting);
    for (const auto& [id, action] : m_actions) {
        const Command* c = m_workspace.commands.Find(id);
        const auto tip = m_tooltips.find(c->tooltip);
        if (c->tooltip && tip != m_tooltips.end()) {
            action->setToolTip(QString::fromStdString(tip->second));
        }
    }
}

void CMainFrame::BuildStatusBar() {
    for (size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i] = new QLabel(this);
        statusBar()->addWidget(m_panes[i], i == 0 ? 1 : 0);
    }
    auto* progress = new QProgressBar(this);
    progress->setMaximumWidth(160);
    progress->hide();
    statusBar()->addPermanentWidget(progress);
    m_ui.SetProgressBar(progress);
    SetPane(0, "  Ready");
}

void CMainFrame::SetPane(int pane, const std::string& text) {
    if (pane >= 0 && pane < static_cast<int>(m_panes.size())) {
        m_panes[static_cast<size_t>(pane)]->setText(QString::fromStdString(text));
    }
}

void CMainFrame::RunCommand(int32_t id) {
    m_workspace.RunCommand(id);
    UpdateIndicators();
}

void CMainFrame::UpdateIndicators() {
    m_workspace.statusIndicators.UpdateLayer();
    m_workspace.statusIndicators.UpdateZoom(m_workspace.viewManager.Zoom());
    for (const auto& [tool, b] : m_toolButtons) {
        b->setChecked(m_workspace.toolSlot.CurrentTool() == tool);
    }
    if (m_layerPanel) {
        m_layerPanel->update();
    }
    if (m_undo) {
        m_undo->setEnabled(m_workspace.commands.Enabled(cmd::kUndo));
        m_redo->setEnabled(m_workspace.commands.Enabled(cmd::kRedo));
    }
    ShowBrushSize();
    UpdateActions();
    SyncScrollBars();
}

void CMainFrame::BuildPaintingTools(QToolBar* bar) {
    // Each button with its tooltip number of "tooltips.txt" (0: the command's own texts).
    struct PaintingButton {
        ScreenTool* tool;
        int32_t command;
        const char* text;
        int32_t tooltip;
    };
    const PaintingButton buttons[] = {
        {&m_workspace.surfacePaintTool, cmd::kSurfaceTool, "Color", 62},
        {&m_workspace.boardEraser, cmd::kBoardEraserTool, "ShowThru Eraser", 0},
        {&m_workspace.shadowPaintTool, cmd::kLightingTool, "Lighting", 217},
        {&m_workspace.shadowEraser, cmd::kShadowEraserTool, "Shadow Eraser", 0},
        {&m_workspace.eraserTool, cmd::kEraserTool, "Eraser", 232},
        {&m_workspace.surfaceHueTool, cmd::kSurfaceHueTool, "Hue", 0},
        {&m_workspace.surfaceSaturationTool, cmd::kSurfaceSaturationTool, "Sat", 0},
        {&m_workspace.surfaceValueTool, cmd::kSurfaceValueTool, "Value", 0},
        // The line mode's tools; its eraser and dropper are picked by its panel.
        {&m_workspace.pointTool, cmd::kLineTool, "Line", 0},
        {&m_workspace.rayTool, cmd::kRayTool, "Ray", 0},
        {&m_workspace.offsetLineTool, cmd::kOffsetLineTool, "Offset", 0},
        {&m_workspace.offsetRayTool, cmd::kOffsetRayTool, "Offset Ray", 0},
        {&m_workspace.partialSegmentEraser, cmd::kPartialSegmentEraser, "Part Erase", 0},
        {&m_workspace.coloredPencilTool, cmd::kPenTool, "Pen", 0},
        {&m_workspace.textTool, cmd::kTextTool, "Text", 0},
        {&m_workspace.dropperTool, cmd::kDropperTool, "Dropper", 0},
        {&m_workspace.morphTool, cmd::kMorphTool, "Transform", 0},
    };
    bar->setMovable(false);
    bar->setFloatable(false);
    for (const PaintingButton& p : buttons) {
        auto* b = new QToolButton(bar);
        b->setText(p.text);
        b->setCheckable(true);
        const Command* c = m_workspace.commands.Find(p.command);
        const auto tip = m_tooltips.find(p.tooltip);
        if (p.tooltip && tip != m_tooltips.end()) {
            b->setToolTip(QString::fromStdString(tip->second));
        } else if (c) {
            b->setToolTip(QString::fromStdString(c->text + ": " + c->prompt));
        }
        b->setObjectName(QString::fromStdString(c ? c->text : std::string(p.text)));
        const int32_t id = p.command;
        // The command picks the tool (and so enters its mode); without a drawing layer it does nothing.
        connect(b, &QToolButton::clicked, this, [this, id] { RunCommand(id); });
        bar->addWidget(b);
        m_toolButtons.emplace_back(p.tool, b);
    }
    // The brush size of the current tool, in screen pixels: the setting of the tools before it.
    const QString sizeTip = "Size: the diameter of the current painting tool's brush, in screen pixels "
                            "(odd; each tool keeps its own).";
    auto* sizeLabel = new QLabel(" Size ", bar);
    sizeLabel->setToolTip(sizeTip);
    bar->addWidget(sizeLabel);
    m_brushSize = new QSpinBox(bar);
    m_brushSize->setObjectName("Brush Size");
    m_brushSize->setRange(1, 301);
    m_brushSize->setSingleStep(2);
    m_brushSize->setToolTip(sizeTip);
    sizeLabel->setBuddy(m_brushSize);
    connect(m_brushSize, &QSpinBox::valueChanged, this, [this](int size) {
        ScreenTool* tool = m_workspace.toolSlot.CurrentTool();
        if (tool && tool->UsesBrush()) {
            tool->SetBrushSize(size);
            ShowBrushSize(); // the size actually used: odd, at least 3
        }
    });
    bar->addWidget(m_brushSize);
    bar->addSeparator();
    m_undoStroke = new QToolButton(bar);
    m_undoStroke->setText("Undo Stroke");
    m_undoStroke->setToolTip("Undo the last  brush stroke");
    connect(m_undoStroke, &QToolButton::clicked, this, [this] { RunCommand(cmd::kUndoStroke); });
    bar->addWidget(m_undoStroke);
}

void CMainFrame::ShowBrushSize() {
    if (!m_brushSize) {
        return;
    }
    const ScreenTool* tool = m_workspace.toolSlot.CurrentTool();
    const bool brush = tool && tool->UsesBrush();
    m_brushSize->setEnabled(brush);
    if (brush && m_brushSize->value() != tool->GetBrushSize()) {
        const QSignalBlocker quiet(m_brushSize);
        m_brushSize->setValue(tool->GetBrushSize());
    }
    m_undoStroke->setEnabled(m_workspace.commands.Enabled(cmd::kUndoStroke));
}

void CMainFrame::BindHelpCommands() {
    CommandTable& table = m_workspace.commands;
    table.Find(cmd::kExit)->run = [this] { close(); };
    table.Find(cmd::kAbout)->run = [this] {
        QMessageBox::about(this, "About Tintsmith",
                           QString("Tintsmith %1\nColoured pencil rendering of line drawings on art board.")
                               .arg(TINTSMITH_VERSION));
    };
    table.Find(cmd::kKeyConcepts)->run = [] {
        QDesktopServices::openUrl(QUrl("https://tintsmith.example.org/tutorial/key-concepts.html"));
    };
    table.Find(cmd::kHelp)->run = [] {
        QDesktopServices::openUrl(QUrl("https://tintsmith.example.org/help/"));
    };
    table.Find(cmd::kShowTooltips)->run = [this] { m_tooltipsOn = !m_tooltipsOn; };
    table.Find(cmd::kShowTooltips)->checked = [this] { return m_tooltipsOn; };
    table.Find(cmd::kHelperPrompts)->run = [this] {
        m_helperPrompts = !m_helperPrompts;
        m_workspace.profile.SetInt("Settings", "HelperPrompts", m_helperPrompts ? 1 : 0);
    };
    table.Find(cmd::kHelperPrompts)->checked = [this] { return m_helperPrompts; };
    m_helperPrompts = m_workspace.profile.GetInt("Settings", "HelperPrompts", 1) != 0;
}

// With "Show Tooltips" off no tooltip of the program appears.
bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (!m_tooltipsOn && event->type() == QEvent::ToolTip) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CMainFrame::OpenFile(const std::string& path) {
    if (!m_workspace.AskToSaveFirst()) {
        return false;
    }
    WaitCursor wait(m_ui);
    const bool opened = m_workspace.drawingDocument.OpenDrawing(path, false);
    if (opened) {
        m_workspace.MarkSaved();
    }
    UpdateIndicators();
    return opened;
}

bool CMainFrame::ImportCadFile(const std::string& path) {
    const bool imported = m_workspace.cadImport.Import(path);
    UpdateIndicators();
    return imported;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile()) {
        event->acceptProposedAction();
        const std::string path = urls.front().toLocalFile().toStdString();
        switch (KindOfIncomingFile(path)) {
        case IncomingFile::kDrawing:
            OpenFile(path);
            break;
        case IncomingFile::kCadPicture:
            ImportCadFile(path);
            break;
        case IncomingFile::kPicture: {
            WaitCursor wait(m_ui);
            m_workspace.importImage.ImportFile(path);
            UpdateIndicators();
            break;
        }
        }
    }
}

// Closing the window (or "E&xit") asks to save unsaved work first; Cancel keeps the program open.
void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_workspace.AskToSaveFirst()) {
        event->accept();
    } else {
        event->ignore();
    }
}

bool CMainFrame::IsDropDownMenu(const std::string& menu) {
    const std::string root = menu.substr(0, menu.find('/'));
    const auto& buttons = ControlBarDropDowns();
    return std::any_of(buttons.begin(), buttons.end(),
                       [&](const DropDownButton& b) { return b.title == root; });
}

// "Sketch Frame" and "RoviDivod": buttons of the control bar that drop their menus down. An item whose
// command has no handler yet shows disabled.
void CMainFrame::BuildDropDowns(QToolBar* bar) {
    for (const DropDownButton& d : ControlBarDropDowns()) {
        auto* b = new QToolButton(bar);
        b->setText(QString::fromStdString(d.title));
        b->setObjectName(QString::fromStdString(d.title));
        b->setPopupMode(QToolButton::InstantPopup);
        auto* top = new QMenu(b);
        top->setToolTipsVisible(true);
        connect(top, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
        std::map<std::string, QMenu*> submenus{{"", top}};
        std::function<QMenu*(const std::string&)> menuFor = [&](const std::string& path) -> QMenu* {
            auto it = submenus.find(path);
            if (it != submenus.end()) {
                return it->second;
            }
            const size_t slash = path.rfind('/');
            QMenu* parent = menuFor(slash == std::string::npos ? "" : path.substr(0, slash));
            QMenu* menu = parent->addMenu(
                QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1)));
            menu->setToolTipsVisible(true);
            submenus[path] = menu;
            return menu;
        };
        for (const DropDownItem& item : d.items) {
            QAction* action = menuFor(item.submenu)->addAction(QString::fromStdString(item.text));
            const auto tip = m_tooltips.find(item.tooltip);
            if (item.tooltip && tip != m_tooltips.end()) {
                action->setToolTip(QString::fromStdString(tip->second));
            }
            const Command* c = m_workspace.commands.Find(item.id);
            if (c) {
                action->setStatusTip(QString::fromStdString(c->prompt));
            }
            const int32_t id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
            m_dropDownActions.emplace_back(id, action);
        }
        b->setMenu(top);
        bar->addWidget(b);
    }
    // "From Screen Capture": the window steps aside while the screen is grabbed.
    m_workspace.captureScreen = [this](Image24& grab) {
        QScreen* where = screen();
        if (!where) {
            return false;
        }
        hide();
        QApplication::processEvents();
        QThread::msleep(200);
        const QImage shot = where->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB888);
        show();
        if (shot.isNull() || !grab.Create(shot.width(), shot.height())) {
            return false;
        }
        for (int y = 0; y < shot.height(); ++y) {
            const uchar* in = shot.constScanLine(y);
            uint8_t* out = grab.Row(y);
            for (int x = 0; x < shot.width(); ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        }
        return true;
    };
}

} // namespace ts
