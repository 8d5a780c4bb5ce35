// The program scans through SANE: with a configuration folder that offers only the "test" backend,
// "Acquire 300 dpi Color" of the photo imports adds the scanned sheet as a layer of the scanned size.

#include "app/tintsmith_app.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace ts {

class ScanInAppTest : public QObject {
    Q_OBJECT

private slots:
    void aColourScanOfTheTestDeviceBecomesALayer() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QFile dll(dir.path() + "/dll.conf");
        QVERIFY(dll.open(QIODevice::WriteOnly));
        dll.write("test\n");
        dll.close();
        QFile conf(dir.path() + "/test.conf");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("number_of_devices 1\ntest-picture \"Color pattern\"\n");
        conf.close();
        qputenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit());
        qputenv("TINTSMITH_SETTINGS", (dir.path() + "/settings.ini").toLocal8Bit());

        CTintsmithApp app(QStringList{"tintsmith"});
        QVERIFY(app.InitInstance());
        Workspace& workspace = *app.GetWorkspace();
        QVERIFY(workspace.scanner != &workspace.headlessScanner);
        QCOMPARE(workspace.scanner->Sources(), std::vector<std::string>{"test:0"});
        const int32_t layers = workspace.imageStack.Count();
        QVERIFY(workspace.RunCommand(cmd::kImportPhoto + cmd::kAcquire300Color));
        const LayerObject& layer = *workspace.imageStack.CurrentLayer();
        QCOMPARE(QString::fromStdString(layer.name), QString("Scanned Image"));
        QVERIFY(layer.image);
        // The test device's glass is 80 x 100 mm: 945 x 1181 pixels at 300 dpi.
        QVERIFY(std::abs(layer.image->Width() - 945) <= 2);
        QVERIFY(std::abs(layer.image->Height() - 1181) <= 2);
        // The empty first layer made way for it.
        QCOMPARE(workspace.imageStack.Count(), layers);
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
    ts::ScanInAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_scan_in_app.moc"
