// The main frame on Qt's offscreen platform: menus, indicators, commands from the menus.

#include "app/main_frame.h"
#include "app/tintsmith_app.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QtTest>

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

private:
    QtUserInterface ui;
    QtImageCodec codec;
    std::unique_ptr<MemorySettingsStore> settings;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace ts

QTEST_MAIN(ts::MainFrameTest)
#include "test_main_frame.moc"
