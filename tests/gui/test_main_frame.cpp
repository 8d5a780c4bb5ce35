// The main frame on Qt's offscreen platform: menus, indicators, commands from the menus and the keys,
// drops, the painting row and the view's scroll bars and cursors.

#include "app/main_frame.h"
#include "app/tintsmith_app.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"
#include "ui/mode_panel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest>

#include <map>
#include <memory>

namespace ts {

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        settings = std::make_unique<MemorySettingsStore>();
        workspace = std::make_unique<Workspace>(ui, *settings, codec,
                                                QApplication::applicationDirPath().toStdString() + "/");
        frame = std::make_unique<CMainFrame>(*workspace, ui);
        frame->resize(1000, 700);
        QVERIFY(workspace->layerOperations.NewDrawing());
        frame->UpdateIndicators();
    }
    void cleanup() {
        frame.reset();
        workspace.reset();
    }

    void menuBarHoldsExactlyTheSixMenus() {
        QStringList titles;
        for (QAction* a : frame->menuBar()->actions()) {
            titles << a->text();
        }
        QCOMPARE(titles, (QStringList{"File", "View", "Palette", "Page", "Layer", "Help"}));
    }

    void indicatorsFollowTheStackAndTheZoom() {
        QCOMPARE(QString::fromStdString(StatusIndicators::LayerText(workspace->imageStack)),
                 "Layer: Blank Layer: 1 of 1");
        workspace->RunCommand(cmd::kNewBlankSmall);
        workspace->RunCommand(cmd::kNewBlankSmall);
        workspace->imageStack.CurrentLayer()->name.clear();
        QCOMPARE(QString::fromStdString(StatusIndicators::LayerText(workspace->imageStack)), "Layer: 3 of 3");
        QCOMPARE(QString::fromStdString(StatusIndicators::ZoomText(-3)), " Zoom: 33%");
        QCOMPARE(QString::fromStdString(StatusIndicators::ZoomText(4)), " Zoom: 400%");
        workspace->layerOperations.ClearDrawing(false, true);
        QCOMPARE(QString::fromStdString(StatusIndicators::LayerText(workspace->imageStack)), "Layer:   none");
    }

    void menuItemsRunCommandsAndShowTheirState() {
        QAction* clone = nullptr;
        QMenu* layerMenu = nullptr;
        for (QAction* a : frame->menuBar()->actions()) {
            if (a->text() == "Layer") {
                layerMenu = a->menu();
            }
        }
        QVERIFY(layerMenu);
        for (QAction* a : layerMenu->actions()) {
            if (a->text() == "Clone") {
                clone = a;
            }
        }
        QVERIFY(clone);
        const int32_t before = workspace->imageStack.Count();
        clone->trigger();
        QCOMPARE(workspace->imageStack.Count(), before + 1);
        QCOMPARE(frame->windowTitle(), QString("Tintsmith - Untitled"));
        frame->SetWindowTitle("/home/ann/plans/house.ts.png");
        QCOMPARE(frame->windowTitle(), QString("Tintsmith - house.ts.png"));
    }

    void startUpRefusesSmallWorkAreas() {
        QVERIFY(!CTintsmithApp::WorkAreaIsUsable(800, 600));
        QVERIFY(!CTintsmithApp::WorkAreaIsUsable(1024, 600));
        QVERIFY(CTintsmithApp::WorkAreaIsUsable(801, 601));
        QVERIFY(CTintsmithApp::LaunchKind("plan.jpg") == CTintsmithApp::Launch::kRefused);
        QVERIFY(CTintsmithApp::LaunchKind("plan.ts.png") == CTintsmithApp::Launch::kOpenDrawing);
        QVERIFY(CTintsmithApp::LaunchKind("plan.png") == CTintsmithApp::Launch::kImportImage);
    }

    void tooltipsAreReadByNumberFirstEntryWinning() {
        const QString path = QDir::temp().filePath("tintsmith-tips.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        file.write("47|New |drawing\n48|Open\n47|Second\nno bar here\n");
        file.close();
        const auto tips = CMainFrame::ReadTooltips(path.toStdString());
        QCOMPARE(QString::fromStdString(tips.at(47)), "New drawing");
        QCOMPARE(tips.size(), size_t{2});
    }

    // Every function key and Ctrl or Shift combination of the command table reaches its command from
    // the window, whatever the menus showed last.
    void everyFrameKeyRunsItsCommand() {
        ShowActive();
        std::map<int32_t, int> runs;
        std::vector<std::pair<int32_t, QString>> keys;
        std::vector<int32_t> ids;
        for (const Command& c : workspace->commands.Commands()) {
            ids.push_back(c.id);
        }
        for (const int32_t id : ids) {
            Command* c = workspace->commands.Find(id);
            if (CMainFrame::IsFrameShortcut(c->accelerator)) {
                c->run = [&runs, id] { ++runs[id]; };
                c->enabled = nullptr;
                keys.emplace_back(id, QString::fromStdString(c->accelerator));
            }
        }
        QStringList names;
        for (const auto& [id, key] : keys) {
            names << key;
        }
        for (const char* expected : {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+Z", "Ctrl+Y", "Ctrl+PgUp",
                                     "Ctrl+Shift+PgDown", "Shift+PgUp", "Shift+PgDown", "F1", "F2", "F12"}) {
            QVERIFY2(names.contains(expected), expected);
        }
        for (const auto& [id, key] : keys) {
            const QKeySequence sequence(key);
            QVERIFY2(!sequence.isEmpty(), qPrintable(key));
            QTest::keySequence(frame->View(), sequence);
            QVERIFY2(runs[id] == 1, qPrintable(key + " did not run its command once"));
        }
    }

    void ctrlZAndCtrlYUndoAndRedoAddingALayer() {
        ShowActive();
        const int32_t before = workspace->imageStack.Count();
        workspace->RunCommand(cmd::kNewBlankSmall); // as a panel button would, no menu opened
        QCOMPARE(workspace->imageStack.Count(), before + 1);
        QTest::keySequence(frame->View(), QKeySequence("Ctrl+Z"));
        QCOMPARE(workspace->imageStack.Count(), before);
        QTest::keySequence(frame->View(), QKeySequence("Ctrl+Y"));
        QCOMPARE(workspace->imageStack.Count(), before + 1);
    }

    void ctrlSSavesADrawingJustOpenedWithoutAMenuOpened() {
        const QString path = QDir::temp().filePath("tintsmith-quick-save.ts.png");
        QVERIFY(workspace->drawingDocument.SaveDrawingTo(path.toStdString()).Saved());
        workspace->MarkSaved();
        QVERIFY(frame->OpenFile(path.toStdString()));
        ShowActive();
        const int32_t layers = workspace->imageStack.Count();
        workspace->RunCommand(cmd::kNewBlankSmall);
        // Opening a drawing makes it the saved-to file: "&Save" writes over it without a dialog.
        QCOMPARE(workspace->drawingDocument.State(), DocumentState::kDrawing);
        QTest::keySequence(frame->View(), QKeySequence("Ctrl+S"));
        QVERIFY(!workspace->HasUnsavedChanges());
        QVERIFY(workspace->drawingDocument.OpenDrawing(path.toStdString(), false));
        QCOMPARE(workspace->imageStack.Count(), layers + 1);
        QFile::remove(path);
    }

    void aDroppedDrawingFileIsOpened() {
        const QString path = QDir::temp().filePath("tintsmith-dropped.ts.png");
        workspace->imageStack.CurrentLayer()->name = "Dropped";
        QVERIFY(workspace->drawingDocument.SaveDrawingTo(path.toStdString()).Saved());
        QVERIFY(workspace->layerOperations.NewDrawing());
        workspace->MarkSaved();
        QCOMPARE(QString::fromStdString(workspace->imageStack.CurrentLayer()->name), QString("Blank Layer"));

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame.get(), &drop);
        QCOMPARE(QString::fromStdString(workspace->drawingDocument.FileName()), path);
        QCOMPARE(QString::fromStdString(workspace->imageStack.Layer(2)->name), QString("Dropped"));
        QCOMPARE(frame->windowTitle(), QString("Tintsmith - tintsmith-dropped.ts.png"));
        QFile::remove(path);
    }

    void recentDrawingsShowNumberedPathsAtMostFortyWide() {
        RecentFileList& recent = workspace->profile.Recent(RecentList::Drawings);
        recent.Add("/home/anne/projects/clients/smith/drawings/house-front.ts.png");
        recent.Add("/tmp/barn.ts.png");
        QMenu* file = Menu("File");
        emit file->aboutToShow();
        QStringList shown;
        QString save;
        for (QAction* a : file->actions()) {
            if (a->isVisible() && QRegularExpression("^&[0-9] ").match(a->text()).hasMatch()) {
                shown << a->text();
            }
            if (a->text().startsWith("&Save\t")) {
                save = a->text();
            }
        }
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QString("&1 /tmp/barn.ts.png"));
        QVERIFY(shown[1].startsWith("&2 "));
        QVERIFY(shown[1].endsWith("house-front.ts.png"));
        QVERIFY(shown[1].size() - 3 <= 40);
        QCOMPARE(save, QString("&Save\tCtrl+S"));
    }

    void ctrlLettersLeaveTheViewSwitchesAlone() {
        ShowActive();
        const bool lines = workspace->compositor.switches.showLines;
        const bool colour = workspace->compositor.switches.showColor;
        for (const char* key : {"Ctrl+L", "Ctrl+C", "Ctrl+I", "Ctrl+T", "Ctrl+Q"}) {
            QTest::keySequence(frame->View(), QKeySequence(key));
        }
        QCOMPARE(workspace->compositor.switches.showLines, lines);
        QCOMPARE(workspace->compositor.switches.showColor, colour);
        QCOMPARE(workspace->compositor.switches.showLighting, true);
        QCOMPARE(workspace->compositor.paper.textureOneToOne, false);
        QCOMPARE(workspace->compositor.switches.showOpacity, false);
        QTest::keyClick(frame->View(), Qt::Key_L);
        QCOMPARE(workspace->compositor.switches.showLines, !lines);
    }

    void shiftPageKeysSelectTheTopAndTheBottomLayer() {
        ShowActive();
        workspace->RunCommand(cmd::kNewBlankSmall);
        workspace->RunCommand(cmd::kNewBlankSmall);
        workspace->RunCommand(cmd::kNewBlankSmall); // layers 2 to 5
        workspace->imageStack.SetCurrent(3);
        QTest::keyClick(frame->View(), Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(workspace->imageStack.Current(), 5);
        QTest::keyClick(frame->View(), Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(workspace->imageStack.Current(), 2);
        QTest::keyClick(frame->View(), Qt::Key_PageUp);
        QCOMPARE(workspace->imageStack.Current(), 3);
    }

    void thePaintingRowTakesItsTooltipsFromTheFileAndNamesTheBrushSize() {
        const auto tips = CMainFrame::ReadTooltips(workspace->profile.ProgramFolder() + "tooltips.txt");
        QVERIFY(tips.count(62) && tips.count(217) && tips.count(232));
        QToolButton* colour = frame->findChild<QToolButton*>("Surface Tool");
        QToolButton* lighting = frame->findChild<QToolButton*>("Lighting Tool");
        QToolButton* eraser = frame->findChild<QToolButton*>("Eraser");
        QVERIFY(colour && lighting && eraser);
        QCOMPARE(colour->toolTip().toStdString(), tips.at(62));
        QCOMPARE(lighting->toolTip().toStdString(), tips.at(217));
        QCOMPARE(eraser->toolTip().toStdString(), tips.at(232));

        auto* size = frame->findChild<QSpinBox*>("Brush Size");
        QVERIFY(size);
        QLabel* label = nullptr;
        for (QLabel* l : frame->findChildren<QLabel*>()) {
            if (l->buddy() == size) {
                label = l;
            }
        }
        QVERIFY(label);
        QCOMPARE(label->text().trimmed(), QString("Size"));
        QVERIFY(!size->toolTip().isEmpty());
    }

    void scrollBarsMoveTheViewAndFollowIt() {
        ShowActive();
        workspace->viewManager.SetZoom(1);
        workspace->viewGeometry.Clamp();
        frame->UpdateIndicators();
        auto* across = frame->findChild<QScrollBar*>("Horizontal Scroll");
        auto* down = frame->findChild<QScrollBar*>("Vertical Scroll");
        QVERIFY(across && down);
        QVERIFY2(across->isEnabled() && across->maximum() > 100, "at 100 % the page is wider than the view");
        across->setValue(100);
        QCOMPARE(workspace->viewManager.OriginX(), 100);
        down->setValue(40);
        QCOMPARE(workspace->viewManager.OriginY(), 40);
        workspace->viewGeometry.Scroll(-30, 0); // as a pan does
        frame->UpdateIndicators();
        QCOMPARE(across->value(), 70);
        workspace->zoomManager.ZoomToMin(10, 10);
        frame->UpdateIndicators();
        QVERIFY(!across->isEnabled());
    }

    void theProgramsOwnCursorsAreDistinctPictures() {
        CTintsmithView* view = frame->View();
        std::vector<QImage> pictures;
        for (const int32_t id :
             {cursors::kZoom, cursors::kOrigin, cursors::kLine, cursors::kLineEdit, cursors::kLineGridSnap}) {
            view->SetCursor(id);
            QCOMPARE(view->cursor().shape(), Qt::BitmapCursor);
            const QImage picture = view->cursor().pixmap().toImage();
            QVERIFY(!picture.isNull());
            for (const QImage& other : pictures) {
                QVERIFY(picture != other);
            }
            pictures.push_back(picture);
        }
        view->SetCursor(cursors::kArrow);
        QCOMPARE(view->cursor().shape(), Qt::ArrowCursor);
    }

    void theSketchFramePanelsTabRunsThroughItsFieldsAndSelectsTheText() {
        ShowActive();
        QVERIFY(workspace->RunCommand(cmd::kShowSketchFrame));
        frame->UpdateIndicators();
        ModePanel* panel = nullptr;
        for (QWidget* w : frame->findChildren<QWidget*>()) {
            panel = panel ? panel : dynamic_cast<ModePanel*>(w);
        }
        QVERIFY(panel);
        auto edit = [&](int32_t field) {
            const CControl* c = workspace->sketchFrame.Panel().Find(SketchFrame::kFirstField + field);
            QWidget* w = c ? panel->WidgetOf(*c) : nullptr;
            return w ? w->findChild<QLineEdit*>() : nullptr;
        };
        QLineEdit* last = edit(SketchFrame::kVisionAngle);
        QVERIFY(last && edit(SketchFrame::kWidth));
        last->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(last, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit(SketchFrame::kWidth));
        QCOMPARE(edit(SketchFrame::kWidth)->selectedText(), QString("40.0"));
        QTest::keyClick(edit(SketchFrame::kWidth), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), edit(SketchFrame::kDepth));
        QCOMPARE(last->text(), QString("60")); // Tab typed nothing
        // The frame is taken down with the focus still in an edit box, which finishes its text as it goes.
    }

private:
    void ShowActive() {
        frame->show();
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame.get()));
        frame->View()->setFocus();
    }
    QMenu* Menu(const QString& title) {
        for (QAction* a : frame->menuBar()->actions()) {
            if (a->text() == title) {
                return a->menu();
            }
        }
        return nullptr;
    }

    QtUserInterface ui;
    QtImageCodec codec;
    std::unique_ptr<MemorySettingsStore> settings;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace ts

QTEST_MAIN(ts::MainFrameTest)
#include "test_main_frame.moc"
