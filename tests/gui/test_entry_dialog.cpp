// The distance and angle entries on Qt's offscreen platform: the edit field refuses what the entry
// does not take, whether typed or pasted, and the dialog hands the text back through the user
// interface.

#include "measure/distance_entry.h"
#include "measure/units_manager.h"
#include "qtplatform/qt_user_interface.h"
#include "ui/entry_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>

namespace ts {

namespace {

void WhenEntryOpens(std::function<void(CEntryDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = dynamic_cast<CEntryDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        action(*dialog);
    });
}

bool ShowsLabel(const CEntryDialog& dialog, const QString& text) {
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text() == text) {
            return true;
        }
    }
    return false;
}

} // namespace

class EntryDialogTest : public QObject {
    Q_OBJECT

private slots:
    void theFeetInchesFieldRefusesLettersAndPoints() {
        CEntryDialog dialog(DistanceEntry(false).Model());
        QVERIFY(ShowsLabel(dialog, "Feet-Inches:"));
        QVERIFY(ShowsLabel(dialog, "For example, 29' - 6 3/4\""));
        QTest::keyClicks(dialog.Edit(), "2a9' -b 6.3/4\"x");
        QCOMPARE(dialog.Edit()->text(), QString("29' - 63/4\""));
        QCOMPARE(UnitsManager::ParseFeetInches(dialog.Text()), 29 * 12 + 63 / 4.0);
    }

    void theMetricFieldTakesDecimalsAndRefusesAPasteWithLetters() {
        CEntryDialog dialog(DistanceEntry(true).Model());
        QVERIFY(ShowsLabel(dialog, "      Meters:"));
        QTest::keyClicks(dialog.Edit(), "6m.4'");
        QCOMPARE(dialog.Edit()->text(), QString("6.4"));
        QApplication::clipboard()->setText("12 meters");
        dialog.Edit()->paste();
        QCOMPARE(dialog.Edit()->text(), QString("6.4"));
        QApplication::clipboard()->setText(" 12");
        dialog.Edit()->paste();
        QCOMPARE(dialog.Edit()->text(), QString("6.4 12"));
    }

    void theAngleFieldTakesASignedDecimal() {
        CEntryDialog dialog(AngleEntry(true).Model());
        QVERIFY(ShowsLabel(dialog, "Degrees:"));
        QTest::keyClicks(dialog.Edit(), "-4x5.5");
        QCOMPARE(dialog.Edit()->text(), QString("-45.5"));
    }

    void theUserInterfaceShowsTheDialogAndHandsTheTextBack() {
        QtUserInterface ui;
        ui.SetEntryDialogOpener(&CEntryDialog::Show);
        const DistanceEntry entry(false);
        WhenEntryOpens([](CEntryDialog& dialog) {
            QTest::keyClicks(dialog.Edit(), "10q'");
            dialog.OkButton()->click();
        });
        std::string text;
        QVERIFY(entry.DoModal(ui, text));
        QCOMPARE(QString::fromStdString(text), QString("10'"));
        QCOMPARE(entry.Read(text), 120.0);

        WhenEntryOpens([](CEntryDialog& dialog) {
            QTest::keyClicks(dialog.Edit(), "5");
            dialog.CancelButton()->click();
        });
        QVERIFY(!entry.DoModal(ui, text));
        QCOMPARE(QString::fromStdString(text), QString("10'"));
    }
};

} // namespace ts

QTEST_MAIN(ts::EntryDialogTest)
#include "test_entry_dialog.moc"
