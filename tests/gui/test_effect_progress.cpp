// A whole-layer effect on a large layer in the main frame: the status bar's progress bar appears, runs
// to the layer's row count and goes away again.

#include "app/main_frame.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_user_interface.h"

#include <QApplication>
#include <QProgressBar>
#include <QtTest>

#include <memory>

namespace ts {

class EffectProgressTest : public QObject {
    Q_OBJECT

private slots:
    void colourAdjustOnALargeLayerShowsItsProgress() {
        MemorySettingsStore settings;
        QtUserInterface ui;
        QtImageCodec codec;
        Workspace workspace(ui, settings, codec, QApplication::applicationDirPath().toStdString() + "/");
        CMainFrame frame(workspace, ui);
        frame.resize(1000, 700);
        QVERIFY(workspace.layerOperations.NewDrawing());
        LayerObject* layer = workspace.imageStack.CreateLayer("Blank Layer");
        QVERIFY(layer);
        layer->color = std::make_unique<ObjectColor>();
        QVERIFY(layer->color->Create(3600, 2700, 0x3060C0, 255));
        layer->color->amount->FillRect(100, 100, 3500, 2600, 200);

        auto* bar = frame.findChild<QProgressBar*>();
        QVERIFY(bar);
        int shownSteps = 0;
        int last = 0;
        connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
            shownSteps += bar->isVisible() ? 1 : 0;
            last = value;
        });
        frame.show();
        QVERIFY(workspace.RunCommand(cmd::kColorAdjust));
        auto* hue = dynamic_cast<SliderCtrl*>(workspace.colorAdjust.Panel().Find(ColorAdjust::kHue));
        QVERIFY(hue);
        hue->UserSetPos(80);
        QCOMPARE(bar->maximum(), 2700);
        QCOMPARE(last, 2700);
        QVERIFY(shownSteps >= 2700);
        QVERIFY(!bar->isVisible());
    }
};

} // namespace ts

QTEST_MAIN(ts::EffectProgressTest)
#include "test_effect_progress.moc"
