// The preferences dialog on Qt's offscreen platform: the categories in order, each choosing its pane,
// the texts and values of an empty store, the edit filters, the rich tooltips, and OK and Cancel
// through the user interface.

#include "platform/memory_settings_store.h"
#include "qtplatform/qt_user_interface.h"
#include "ui/preferences_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace ts {

namespace {

PreferencesRequest EmptyStoreRequest() {
    MemorySettingsStore store;
    ProfileManager profile(store, "/prog/");
    return PreferencesRequest{PreferenceValues::Load(profile), std::nullopt};
}

template <class W> W* Named(const QWidget& parent, const char* name) {
    return parent.findChild<W*>(QString::fromUtf8(name));
}

bool ShowsText(const QWidget& parent, const QString& text) {
    for (const QLabel* label : parent.findChildren<QLabel*>()) {
        if (label->text() == text) {
            return true;
        }
    }
    return false;
}

void WhenDialogOpens(std::function<void(CPreferencesDialog&)> action) {
    QTimer::singleShot(0, [action] {
        auto* dialog = dynamic_cast<CPreferencesDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        action(*dialog);
    });
}

} // namespace

class PreferencesDialogTest : public QObject {
    Q_OBJECT

private slots:
    void theCategoriesComeInOrderAndEachShowsItsOwnPane() {
        CPreferencesDialog dialog(EmptyStoreRequest());
        QTreeWidget* tree = dialog.Tree();
        QCOMPARE(tree->topLevelItemCount(), 5);
        const QStringList expected{"CAD Import Options", "Default Paper Size", "Nudge", "Thumbnail", "Units"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(tree->topLevelItem(i)->text(0), expected[i]);
        }
        // Open, the first category's pane shows.
        QCOMPARE(dialog.Panes()->currentWidget(), dialog.Pane(0));
        for (int i : {3, 1, 4, 2, 0}) {
            tree->setCurrentItem(tree->topLevelItem(i));
            QCOMPARE(dialog.Panes()->currentWidget(), dialog.Pane(i));
            QCOMPARE(dialog.Pane(i)->Title(), expected[i]);
        }
        // The paper category holds the two papers.
        QVERIFY(Named<QGroupBox>(*dialog.Pane(1), "Scan-Print Paper"));
        QVERIFY(Named<QGroupBox>(*dialog.Pane(1), "Scale Drawing Paper"));
        QVERIFY(Named<QLineEdit>(*dialog.Pane(1), "Resolution"));
        QVERIFY(!Named<QLineEdit>(*dialog.Pane(2), "Resolution"));
        QVERIFY(Named<QLineEdit>(*dialog.Pane(2), "NudgeStrength"));
        QVERIFY(Named<QCheckBox>(*dialog.Pane(4), "EnableMetric"));
    }

    void anEmptyStoreShows36By24InchesAt400DpiAndThinLines3() {
        CPreferencesDialog dialog(EmptyStoreRequest());
        QCOMPARE(Named<QLineEdit>(dialog, "PaperWidth")->text(), QString("36.0"));
        QCOMPARE(Named<QLineEdit>(dialog, "PaperHeight")->text(), QString("24.0"));
        QCOMPARE(Named<QLineEdit>(dialog, "Resolution")->text(), QString("400"));
        QCOMPARE(Named<QLabel>(dialog, "ResolutionCaption")->text(), QString("36 x 24 Resolution"));
        QVERIFY(ShowsText(dialog, "Set Thin Lines To: "));
        QVERIFY(ShowsText(dialog, "DPI "));
        QVERIFY(ShowsText(dialog, "Background Paper Color - RGB: "));
        QVERIFY(ShowsText(dialog, "Background Paper Texture: "));
        QVERIFY(ShowsText(dialog, "New Drawing Paper Settings"));
        QVERIFY(ShowsText(dialog, "Pixels Per Nudge"));
        QVERIFY(Named<QGroupBox>(dialog, "Nudge Amount"));
        QVERIFY(Named<QGroupBox>(dialog, "Units Options"));
        QCOMPARE(Named<QCheckBox>(dialog, "EnableMetric")->text(), QString("Meters"));
        QVERIFY(!Named<QCheckBox>(dialog, "EnableMetric")->isChecked());
        QCOMPARE(Named<QRadioButton>(dialog, "ThumbSize3")->text(), QString("1280 x 1024"));
        QVERIFY(Named<QRadioButton>(dialog, "ThumbSize0")->isChecked());
        auto* thinLines = Named<QComboBox>(dialog, "ThinLineIndex");
        QCOMPARE(thinLines->count(), 31);
        QCOMPARE(thinLines->itemText(30), QString("31"));
        QCOMPARE(thinLines->currentText(), QString("3"));
        // The list is filled again on each visit and keeps the choice made.
        thinLines->setCurrentIndex(6);
        emit thinLines->activated(6);
        dialog.SelectCategory(2);
        dialog.SelectCategory(0);
        QCOMPARE(thinLines->count(), 31);
        QCOMPARE(thinLines->currentText(), QString("7"));
        QCOMPARE(dialog.Values().thinLineIndex, 7);
        // The caption follows the paper typed.
        Named<QLineEdit>(dialog, "PaperWidth")->setText("17");
        Named<QLineEdit>(dialog, "PaperHeight")->setText("11.5");
        QCOMPARE(Named<QLabel>(dialog, "ResolutionCaption")->text(), QString("17 x 11.5 Resolution"));
    }

    void editsTakeOnlyDigitsAndTheDecimalsAPoint() {
        CPreferencesDialog dialog(EmptyStoreRequest());
        dialog.SelectCategory(1);
        auto* resolution = Named<QLineEdit>(dialog, "Resolution");
        resolution->clear();
        QTest::keyClicks(resolution, "3a0.0-");
        QCOMPARE(resolution->text(), QString("300"));
        auto* width = Named<QLineEdit>(dialog, "ScaleDrawingPaperWidth");
        width->clear();
        QTest::keyClicks(width, "1x2.5 in");
        QCOMPARE(width->text(), QString("12.5"));
        auto* red = Named<QLineEdit>(dialog, "PaperColorRed");
        red->clear();
        QTest::keyClicks(red, "-1f8");
        QCOMPARE(red->text(), QString("18"));
    }

    void everyControlCarriesARichTooltipEndingWithTheNoteThatItStays() {
        CPreferencesDialog dialog(EmptyStoreRequest());
        dialog.show();
        QList<QWidget*> controls;
        for (QWidget* w : dialog.Panes()->findChildren<QWidget*>()) {
            if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                qobject_cast<QAbstractButton*>(w)) {
                controls.append(w);
            }
        }
        QVERIFY(controls.size() >= 16);
        for (QWidget* w : controls) {
            const QString tip = w->toolTip();
            QVERIFY2(Qt::mightBeRichText(tip), qPrintable(w->objectName()));
            QVERIFY2(tip.endsWith(QString("%1</i></p></html>").arg(CPreferencesDialog::kKeptNote)),
                     qPrintable(w->objectName()));
        }
        for (int i = 0; i < 5; ++i) {
            QVERIFY(dialog.Tree()->topLevelItem(i)->toolTip(0).contains(CPreferencesDialog::kKeptNote));
        }
        // Resting the pointer on a control shows its tooltip.
        dialog.SelectCategory(2);
        auto* nudge = Named<QLineEdit>(dialog, "NudgeStrength");
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), nudge->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(nudge, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY(QToolTip::text().contains("Pixels Per Nudge"));
        QToolTip::hideText();
    }

    void setFromDrawingTakesTheDrawingsPaperColour() {
        PreferencesRequest request = EmptyStoreRequest();
        {
            CPreferencesDialog dialog(request);
            QVERIFY(!Named<QPushButton>(dialog, "SetFromDrawing")->isEnabled());
        }
        request.drawingPaperColor = 0x00336699; // red 0x99
        CPreferencesDialog dialog(request);
        Named<QPushButton>(dialog, "SetFromDrawing")->click();
        QCOMPARE(Named<QLineEdit>(dialog, "PaperColorRed")->text(), QString("153"));
        QCOMPARE(Named<QLineEdit>(dialog, "PaperColorGreen")->text(), QString("102"));
        QCOMPARE(Named<QLineEdit>(dialog, "PaperColorBlue")->text(), QString("51"));
        QCOMPARE(dialog.Values().PaperColor(), 0x00336699u);
    }

    void okHandsTheValuesBackCancelAndRefusedValuesDoNot() {
        QtUserInterface ui;
        ui.SetPreferencesOpener(&CPreferencesDialog::Show);
        PreferencesRequest request = EmptyStoreRequest();
        WhenDialogOpens([](CPreferencesDialog& dialog) {
            Named<QLineEdit>(dialog, "NudgeStrength")->setText("12");
            Named<QRadioButton>(dialog, "ThumbSize2")->click();
            Named<QCheckBox>(dialog, "EnableMetric")->click();
            dialog.OkButton()->click();
        });
        QVERIFY(ui.EditPreferences(request));
        QCOMPARE(QString::fromStdString(request.values.nudgeStrength), QString("12"));
        QCOMPARE(request.values.thumbSize, 2);
        QVERIFY(request.values.enableMetric);

        // A paper width of nothing cannot be stored: OK keeps the dialog open and says why.
        WhenDialogOpens([](CPreferencesDialog& dialog) {
            Named<QLineEdit>(dialog, "NudgeStrength")->setText("3");
            Named<QLineEdit>(dialog, "PaperWidth")->setText(".");
            dialog.OkButton()->click();
            QVERIFY(dialog.isVisible());
            QVERIFY(!dialog.ProblemLabel()->isHidden());
            QVERIFY(dialog.ProblemLabel()->text().contains("Scan-Print Paper"));
            dialog.reject();
        });
        QVERIFY(!ui.EditPreferences(request));
        QCOMPARE(QString::fromStdString(request.values.nudgeStrength), QString("12"));
        QCOMPARE(QString::fromStdString(request.values.paperWidth), QString("36.0"));
    }
};

} // namespace ts

QTEST_MAIN(ts::PreferencesDialogTest)
#include "test_preferences_dialog.moc"
