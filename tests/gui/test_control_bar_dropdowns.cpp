// The control bar's two drop-down buttons on Qt's offscreen platform: their menus, the tooltips from
// "tooltips.txt", and items that run their commands or wait, disabled, for a handler.

#include "app/main_frame.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace ts {

class DropDownTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        settings = std::make_unique<MemorySettingsStore>();
        workspace = std::make_unique<Workspace>(ui, *settings, codec,
                                                QApplication::applicationDirPath().toStdString() + "/");
        frame = std::make_unique<CMainFrame>(*workspace, ui);
        QVERIFY(workspace->layerOperations.NewDrawing());
        frame->UpdateIndicators();
    }
    void cleanup() {
        frame.reset();
        workspace.reset();
    }

    void theBarHasTheTwoDropDownsAndTheMenuBarNeitherOfThem() {
        QToolButton* sketch = frame->findChild<QToolButton*>("Sketch Frame");
        QToolButton* rovi = frame->findChild<QToolButton*>("RoviDivod");
        QVERIFY(sketch && rovi);
        QCOMPARE(sketch->popupMode(), QToolButton::InstantPopup);
        QCOMPARE(Texts(sketch->menu()),
                 (QStringList{"Extract", "Flora", "Show SketchFrame\tS", "Import An Image", "Measure\tM",
                              "Margins", "Extract Basic Colors"}));
        QCOMPARE(Texts(rovi->menu()), (QStringList{"Setup", "Scan Back", "Reposition"}));
        QStringList bar;
        for (QAction* a : frame->menuBar()->actions()) {
            bar << a->text();
        }
        QCOMPARE(bar, (QStringList{"File", "View", "Palette", "Page", "Layer", "Help"}));
    }

    void eachKindOfImageHasItsSixSourcesWithTheirTooltips() {
        QMenu* import = Submenu(frame->findChild<QToolButton*>("Sketch Frame")->menu(), "Import An Image");
        QVERIFY(import);
        QCOMPARE(Texts(import), (QStringList{"Photo", "Lines", "Type"}));
        const QStringList sources{"From Image File",       "From Screen Capture", "Select Source",
                                  "Acquire 300 dpi Color", "Acquire 600 dpi BW",  "Acquire Custom"};
        QStringList photoSources = sources;
        photoSources.last() = "AcquireCustom";
        QCOMPARE(Texts(Submenu(import, "Photo")), photoSources);
        QCOMPARE(Texts(Submenu(import, "Lines")), sources);
        QCOMPARE(Texts(Submenu(import, "Type")), sources);

        const auto tips = CMainFrame::ReadTooltips(workspace->profile.ProgramFolder() + "tooltips.txt");
        QVERIFY(tips.count(326) && tips.count(329) && tips.count(335) && tips.count(58));
        QCOMPARE(Item(Submenu(import, "Photo"), "From Image File")->toolTip().toStdString(), tips.at(326));
        QCOMPARE(Item(Submenu(import, "Lines"), "From Screen Capture")->toolTip().toStdString(),
                 tips.at(329));
        QCOMPARE(Item(Submenu(import, "Type"), "Acquire Custom")->toolTip().toStdString(), tips.at(335));
        QCOMPARE(Item(Submenu(import, "Type"), "Select Source")->toolTip().toStdString(), tips.at(58));
    }

    void itemsRunTheirCommandsAndUnhandledOnesShowDisabled() {
        QMenu* sketch = frame->findChild<QToolButton*>("Sketch Frame")->menu();
        emit sketch->aboutToShow();
        QAction* extract = Item(sketch, "Extract");
        QVERIFY(extract->isEnabled());
        extract->trigger();
        QCOMPARE(workspace->environmentManager.Current(), static_cast<Env*>(&workspace->extract));
        // An item is enabled exactly when its command can run now: one without a handler (yet) cannot.
        QAction* setup = Item(frame->findChild<QToolButton*>("RoviDivod")->menu(), "Setup");
        QCOMPARE(setup->isEnabled(), workspace->commands.Enabled(cmd::kRoviDivodSetup));
        workspace->commands.Find(cmd::kExtract)->enabled = [] { return false; };
        emit sketch->aboutToShow();
        QVERIFY(!extract->isEnabled());
    }

private:
    static QStringList Texts(QMenu* menu) {
        QStringList texts;
        if (menu) {
            for (QAction* a : menu->actions()) {
                texts << a->text();
            }
        }
        return texts;
    }
    static QAction* Item(QMenu* menu, const QString& text) {
        for (QAction* a : menu->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    }
    static QMenu* Submenu(QMenu* menu, const QString& text) {
        QAction* a = menu ? Item(menu, text) : nullptr;
        return a ? a->menu() : nullptr;
    }

    QtUserInterface ui;
    QtImageCodec codec;
    std::unique_ptr<MemorySettingsStore> settings;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace ts

QTEST_MAIN(ts::DropDownTest)
#include "test_control_bar_dropdowns.moc"
