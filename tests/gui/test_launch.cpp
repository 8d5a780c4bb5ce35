// The program started as "tintsmith plan.ts.png": start-up reads the stored dialog folders, the file is
// opened after the view's first paint, and the view then shows the drawing, not the first empty board.

#include "app/tintsmith_app.h"
#include "platform/headless_user_interface.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <string>

namespace ts {

// Counts the view's paints while no drawing file is open.
class PaintsBeforeOpen final : public QObject {
public:
    explicit PaintsBeforeOpen(Workspace& workspace) : m_workspace(workspace) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_workspace.drawingDocument.FileName().empty()) {
            ++count;
        }
        return false;
    }
    int count = 0;

private:
    Workspace& m_workspace;
};

class LaunchTest : public QObject {
    Q_OBJECT

private slots:
    void aDrawingOpenedAtLaunchIsShownAndTheFoldersAreRead() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::string programFolder = QApplication::applicationDirPath().toStdString() + "/";
        // A drawing on a red board; the program's own first drawing is on light grey.
        const std::string path = dir.path().toStdString() + "/red.ts.png";
        {
            HeadlessUserInterface ui;
            MemorySettingsStore settings;
            QtImageCodec codec;
            Workspace maker(ui, settings, codec, programFolder);
            QVERIFY(maker.layerOperations.NewDrawing());
            QVERIFY(maker.paperManager.BuildPaper(26, 0x000000FF)); // "None", red
            QVERIFY(maker.drawingDocument.SaveDrawingTo(path).Saved());
        }
        // The settings of an earlier run name the Open dialog's folder.
        const QString ini = dir.path() + "/settings.ini";
        {
            QSettings earlier(ini, QSettings::IniFormat);
            earlier.setValue("RecentPaths/OpenDrawings", dir.path());
        }
        qputenv("TINTSMITH_SETTINGS", ini.toLocal8Bit());

        // The "RudaV" message of the launch is closed as soon as it shows.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->close();
            }
        });
        closer.start(20);

        CTintsmithApp app(QStringList{"tintsmith", QString::fromStdString(path)});
        QVERIFY(app.InitInstance());
        Workspace& workspace = *app.GetWorkspace();
        // The view paints the first drawing before the command-line file is opened.
        PaintsBeforeOpen paints(workspace);
        app.Frame()->View()->installEventFilter(&paints);
        QCOMPARE(QString::fromStdString(workspace.profile.Folder(RecentFolder::OpenDrawings)), dir.path());
        QVERIFY2(workspace.drawingDocument.FileName().empty(), "nothing is opened before the first paint");
        QTRY_VERIFY(!app.LaunchPending());
        QTRY_COMPARE(QString::fromStdString(workspace.drawingDocument.FileName()),
                     QString::fromStdString(path));
        QCOMPARE(workspace.drawingDocument.State(), DocumentState::kDrawing);
        QVERIFY(paints.count > 0);

        // What the window last painted (the display buffer, which only a paint brings up to date) comes
        // to show the red board.
        const Image24& display = workspace.viewManager.Display();
        auto middleIsRed = [&display] {
            const uint8_t* bgr = display.Pixel(display.Width() / 2, display.Height() / 3);
            return bgr[2] > 200 && bgr[1] < 60 && bgr[0] < 60;
        };
        QTRY_VERIFY(middleIsRed());
        qunsetenv("TINTSMITH_SETTINGS");
    }

    void aPlainPngAtLaunchBecomesTheCadLayer() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage plan(600, 400, QImage::Format_RGB32);
        plan.fill(Qt::white);
        for (int x = 0; x < 600; ++x) {
            plan.setPixel(x, 200, qRgb(0, 0, 0));
        }
        const QString path = dir.path() + "/plan.png";
        QVERIFY(plan.save(path, "PNG"));
        qputenv("TINTSMITH_SETTINGS", (dir.path() + "/settings.ini").toLocal8Bit());
        CTintsmithApp app(QStringList{"tintsmith", path});
        QVERIFY(app.InitInstance());
        Workspace& workspace = *app.GetWorkspace();
        QTRY_VERIFY(!app.LaunchPending());
        QTRY_COMPARE(QString::fromStdString(workspace.imageStack.Layer(2)->name), QString("CAD Layer"));
        QCOMPARE(workspace.imageStack.Count(), 3);
        const LayerObject& layer = *workspace.imageStack.Layer(2);
        QCOMPARE(layer.PartWidth(), 150);
        QVERIFY(layer.lineArt && layer.lineArt->HasLines());
        QCOMPARE(workspace.imageStack.DrawingWidth(), 150);
        qunsetenv("TINTSMITH_SETTINGS");
    }
};

} // namespace ts

// Start-up refuses a work area of 800 x 600, the offscreen platform's own screen: the test gives it a
// larger one.
int main(int argc, char** argv) {
    QTemporaryDir dir;
    const QString config = dir.path() + "/screens.json";
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return 1;
    }
    file.write(R"({"screens": [{"name": "big", "x": 0, "y": 0, "width": 1280, "height": 1024,
                  "logicalDpi": 96}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    ts::LaunchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_launch.moc"
