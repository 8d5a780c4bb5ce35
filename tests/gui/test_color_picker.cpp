// The colour picker on Qt's offscreen platform: picking on the field and the strip, typing, the
// marker's look, and asking for a colour through the user interface.

#include "qtplatform/qt_user_interface.h"
#include "ui/color_picker.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace ts {

namespace {

using Field = ColorPickerModel::Field;

QRgb ToQRgb(uint32_t color) {
    return qRgb(static_cast<int>(ColorRed(color)), static_cast<int>(ColorGreen(color)),
                static_cast<int>(ColorBlue(color)));
}

// A mouse event with the button state a real drag has (QTest's moves carry no buttons).
void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    const QPointF local(at);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Runs action on the modal dialog once it is open.
void WhenPickerOpens(std::function<void(CColorPicker&)> action) {
    QTimer::singleShot(0, [action] {
        auto* picker = dynamic_cast<CColorPicker*>(QApplication::activeModalWidget());
        QVERIFY(picker);
        action(*picker);
    });
}

} // namespace

class ColorPickerTest : public QObject {
    Q_OBJECT

private:
    QString Text(const CColorPicker& picker, int32_t id) {
        auto* edit = picker.findChild<QLineEdit*>(QString::number(id));
        return edit ? edit->text() : QString("missing");
    }
    QStringList Texts(const CColorPicker& picker) {
        QStringList texts;
        for (int32_t id : {1583, 1289, 1288, 1290, 1292, 1291}) {
            texts << Text(picker, id);
        }
        return texts;
    }
    QRgb ChipPixel(const CColorPicker& picker) { return picker.Chip()->grab().toImage().pixel(50, 25); }

private slots:
    void showsTheColourItOpensWith() {
        CColorPicker picker(MakeColor(255, 0, 0));
        QCOMPARE(Texts(picker), (QStringList{"255", "0", "0", "0", "240", "120"}));
        QCOMPARE(ChipPixel(picker), qRgb(255, 0, 0));
    }

    void clicksOnTheFieldAndStripSetTheNumbers() {
        CColorPicker picker(MakeColor(255, 0, 0));
        picker.show();
        QTest::mouseClick(picker.HSPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 40));
        QCOMPARE(Text(picker, 1290), QString("50"));
        QCOMPARE(Text(picker, 1292), QString("220"));
        QCOMPARE(Text(picker, 1291), QString("120"));
        const uint32_t picked = HsbToRgb(Hsb{50, 220, 120});
        QCOMPARE(Text(picker, 1583), QString::number(ColorRed(picked)));
        QCOMPARE(ChipPixel(picker), ToQRgb(picked));

        QTest::mouseClick(picker.BrightPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(25, 200));
        QCOMPARE(Text(picker, 1291), QString("140"));
        QCOMPARE(Text(picker, 1290), QString("50"));
        QCOMPARE(picker.Color(), HsbToRgb(Hsb{50, 220, 140}));
        // The strip shows the field's hue and saturation from white at the top.
        const QImage strip = picker.BrightPanel()->Render();
        QCOMPARE(strip.pixel(40, 0), qRgb(255, 255, 255));
        QCOMPARE(strip.pixel(40, 240), ToQRgb(HsbToRgb(Hsb{50, 220, 120})));
    }

    void dragsBeyondTheEdgesStopAtTheEdges() {
        CColorPicker picker(MakeColor(40, 90, 160));
        picker.show();
        CHSPanel* field = picker.HSPanel();
        SendMouse(field, QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton);
        QVERIFY(field->IsDragging());
        SendMouse(field, QEvent::MouseMove, QPoint(-60, 700), Qt::LeftButton);
        QCOMPARE(Text(picker, 1290), QString("0"));
        QCOMPARE(Text(picker, 1292), QString("0"));
        SendMouse(field, QEvent::MouseButtonRelease, QPoint(900, -5), Qt::NoButton);
        QVERIFY(!field->IsDragging());
        QCOMPARE(Text(picker, 1290), QString("240"));
        QCOMPARE(Text(picker, 1292), QString("240"));

        CBrightPanel* strip = picker.BrightPanel();
        SendMouse(strip, QEvent::MouseButtonPress, QPoint(25, 100), Qt::LeftButton);
        SendMouse(strip, QEvent::MouseButtonRelease, QPoint(300, 9999), Qt::NoButton);
        QCOMPARE(Text(picker, 1291), QString("0"));
        QCOMPARE(picker.Color(), 0u);
        // A move without the button pressed picks nothing.
        SendMouse(strip, QEvent::MouseMove, QPoint(25, 0), Qt::NoButton);
        QCOMPARE(Text(picker, 1291), QString("0"));
    }

    void typingOutOfRangeIsCorrectedInTheFieldAndTheRestFollows() {
        CColorPicker picker(MakeColor(10, 20, 30));
        picker.show();
        QLineEdit* red = picker.FieldEdit(Field::kRed);
        red->selectAll();
        QTest::keyClicks(red, "300");
        QCOMPARE(red->text(), QString("255"));
        QCOMPARE(picker.Color(), MakeColor(255, 20, 30));
        const Hsb hsb = RgbToHsb(MakeColor(255, 20, 30));
        QCOMPARE(Text(picker, 1290), QString::number(hsb.h));
        QCOMPARE(ChipPixel(picker), qRgb(255, 20, 30));

        QLineEdit* hue = picker.FieldEdit(Field::kHue);
        hue->selectAll();
        QTest::keyClicks(hue, "x250");
        QCOMPARE(hue->text(), QString("240"));
        hue->selectAll();
        QTest::keyClicks(hue, "80");
        QCOMPARE(Texts(picker).mid(3), (QStringList{"80", QString::number(hsb.s), QString::number(hsb.b)}));
        QCOMPARE(picker.Color(), HsbToRgb(Hsb{80, hsb.s, hsb.b}));

        // An emptied field is left empty while typing and shows its value again when left.
        QLineEdit* green = picker.FieldEdit(Field::kGreen);
        QVERIFY(QTest::qWaitForWindowActive(&picker));
        green->setFocus();
        green->selectAll();
        QTest::keyClick(green, Qt::Key_Delete);
        QCOMPARE(green->text(), QString());
        const uint32_t before = picker.Color();
        QTest::keyClick(green, Qt::Key_Tab);
        QCOMPARE(green->text(), QString::number(ColorGreen(before)));
        QCOMPARE(picker.Color(), before);
    }

    void markerIsBlackOnTheFieldAndInvertsOnTheDarkStrip() {
        CColorPicker picker(MakeColor(255, 255, 0));
        // Light strip: black arms 5 to 10 pixels off the centre, the middle untouched.
        QImage strip = picker.BrightPanel()->Render();
        const int y = picker.Model().StripMarkerY();
        QCOMPARE(strip.pixel(25 - 7, y), qRgb(0, 0, 0));
        QCOMPARE(strip.pixel(25, y + 7), qRgb(0, 0, 0));
        QCOMPARE(strip.pixel(25 - 3, y), ToQRgb(picker.Model().StripColorAt(y)));

        SendMouse(picker.BrightPanel(), QEvent::MouseButtonPress, QPoint(25, 400), Qt::LeftButton);
        SendMouse(picker.BrightPanel(), QEvent::MouseButtonRelease, QPoint(25, 400), Qt::NoButton);
        strip = picker.BrightPanel()->Render();
        const QRgb under = ToQRgb(picker.Model().StripColorAt(400 - 7));
        QCOMPARE(strip.pixel(25, 400 - 7), qRgb(255 - qRed(under), 255 - qGreen(under), 255 - qBlue(under)));

        const QImage field = picker.HSPanel()->grab().toImage();
        const QPoint centre(picker.Model().FieldMarkerX(), picker.Model().FieldMarkerY());
        QCOMPARE(field.pixel(centre + QPoint(8, 0)), qRgb(0, 0, 0));
        QCOMPARE(field.pixel(centre + QPoint(20, 20)),
                 ToQRgb(ColorPickerModel::FieldColorAt(centre.x() + 20, centre.y() + 20)));
    }

    void theUserInterfaceOpensThePickerAndHandsTheColourBack() {
        QtUserInterface ui;
        ui.SetColorPickerOpener(&CColorPicker::Choose);
        uint32_t color = MakeColor(255, 0, 0);
        WhenPickerOpens([](CColorPicker& picker) {
            QTest::mouseClick(picker.HSPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 40));
            picker.OkButton()->click();
        });
        QVERIFY(ui.ChooseColor(color));
        QCOMPARE(color, HsbToRgb(Hsb{50, 220, 120}));

        const uint32_t kept = color;
        WhenPickerOpens([](CColorPicker& picker) {
            QCOMPARE(picker.Color(), HsbToRgb(Hsb{50, 220, 120}));
            QTest::mouseClick(picker.HSPanel(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 300));
            picker.CancelButton()->click();
        });
        QVERIFY(!ui.ChooseColor(color));
        QCOMPARE(color, kept);
    }

    // Leaves a picture of the dialog with the test results; with TINTSMITH_SHOW_MS set it also stays
    // on screen that long, to be looked at on a real display.
    void showsTheDialog() {
        CColorPicker picker(MakeColor(200, 120, 40));
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        const QString folder = QApplication::applicationDirPath() + "/../test-results/gui";
        QDir().mkpath(folder);
        const QImage shot = picker.grab().toImage();
        QVERIFY(shot.save(folder + "/color_picker.png"));
        // The whole dialog as drawn: the chip shows the colour and the field's marker sits at the
        // colour's hue and saturation, black arms around an untouched middle.
        const QPoint chip = picker.Chip()->mapTo(&picker, picker.Chip()->rect().center());
        QCOMPARE(shot.pixel(chip), qRgb(200, 120, 40));
        const QPoint marker = picker.HSPanel()->mapTo(
            &picker, QPoint(picker.Model().FieldMarkerX(), picker.Model().FieldMarkerY()));
        QCOMPARE(shot.pixel(marker + QPoint(8, 0)), qRgb(0, 0, 0));
        QCOMPARE(shot.pixel(marker - QPoint(0, 8)), qRgb(0, 0, 0));
        const QPoint beside = marker + QPoint(20, 20);
        const QPoint fieldBeside = picker.HSPanel()->mapFrom(&picker, beside);
        QCOMPARE(shot.pixel(beside),
                 ToQRgb(ColorPickerModel::FieldColorAt(fieldBeside.x(), fieldBeside.y())));
        const int showFor = qEnvironmentVariableIntValue("TINTSMITH_SHOW_MS");
        if (showFor > 0) {
            QTest::qWait(showFor);
        }
    }
};

} // namespace ts

QTEST_MAIN(ts::ColorPickerTest)
#include "test_color_picker.moc"
