// The control bar's own widgets on Qt's offscreen platform: sliders that keep to their range and
// report only what the user changed, labels that give way to narrow controls, pop-up sliders.

#include "ui/panel_widgets.h"

#include <QComboBox>
#include <QMouseEvent>
#include <QtTest>

#include <vector>

namespace ts {

class PanelWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void slidersKeepToTheirRangeAndReportOnlyTheUser() {
        QWidget parent;
        PanelSlider slider("Hue", &parent);
        slider.setGeometry(0, 0, 170, 18);
        std::vector<int> moved;
        slider.moved = [&moved](int v) { moved.push_back(v); };
        slider.SetRange(0, 240);
        slider.SetValue(300);
        QCOMPARE(slider.Value(), 240);
        QVERIFY(moved.empty()); // a value set in code is not a user's change
        const QRect track = slider.Track();
        QVERIFY(track.left() > 0); // the label comes first
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(track.left() - 30, 9));
        QVERIFY(moved.empty()); // a click on the label moves nothing
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(track.left(), 9));
        QCOMPARE(slider.Value(), 0);
        QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(track.right() + 20, 9));
        QCOMPARE(slider.Value(), 240);
        QTest::keyClick(&slider, Qt::Key_End); // already there: no report
        QTest::keyClick(&slider, Qt::Key_PageDown);
        QTest::keyClick(&slider, Qt::Key_Left);
        QCOMPARE(moved, (std::vector<int>{0, 240, 216, 215}));
    }

    void aDragTracksAndReportsTheFinalPositionOnRelease() {
        QWidget parent;
        PanelSlider slider("Hue", &parent);
        slider.setGeometry(0, 0, 170, 18);
        slider.SetRange(0, 100);
        std::vector<int> moved;
        std::vector<int> tracked;
        slider.moved = [&moved](int v) { moved.push_back(v); };
        slider.tracked = [&tracked](int v) { tracked.push_back(v); };
        const QRect track = slider.Track();
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(track.left(), 9));
        QMouseEvent drag(QEvent::MouseMove, QPointF(track.center().x(), 9), slider.mapToGlobal(QPointF(0, 0)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&slider, &drag);
        QVERIFY(moved.empty()); // the thumb follows; nothing is final yet
        QCOMPARE(tracked.size(), size_t{1});
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(track.center().x(), 9));
        QCOMPARE(moved, (std::vector<int>{slider.Value()}));
        QTest::keyClick(&slider, Qt::Key_Right); // a key step is final at once
        QCOMPARE(moved.size(), size_t{2});
        QCOMPARE(tracked.size(), size_t{1});
    }

    void labelsGiveWayToNarrowControls() {
        QWidget parent;
        parent.resize(300, 60);
        parent.show(); // boxes place their controls as they get their size on the screen
        PanelLabelled wide("Painted Amount", &parent);
        wide.SetInner(new QComboBox(&wide));
        wide.setGeometry(0, 0, 200, 20);
        wide.show();
        QVERIFY(wide.Inner()->x() > 0);
        QVERIFY(wide.Inner()->width() >= 64);
        QVERIFY(wide.toolTip().isEmpty());
        PanelLabelled narrow("Background", &parent);
        narrow.SetInner(new QComboBox(&narrow));
        narrow.setGeometry(0, 0, 85, 20);
        narrow.show();
        QCOMPARE(narrow.Inner()->geometry(), QRect(0, 0, 85, 20));
        QCOMPARE(narrow.toolTip(), QString("Background"));
    }

    void popupSlidersShowTheirValueAndPassOnMoves() {
        QWidget parent;
        parent.resize(300, 100);
        parent.show();
        PanelPopupSlider button("Blur", &parent);
        button.setGeometry(10, 10, 120, 20);
        button.show();
        int last = -1;
        button.moved = [&last](int v) { last = v; };
        button.SetRange(0, 10);
        button.SetValue(4);
        QCOMPARE(button.text(), QString("Blur: 4"));
        QVERIFY(!button.OpenSlider());
        QTest::mouseClick(&button, Qt::LeftButton);
        PanelSlider* slider = button.OpenSlider();
        QVERIFY(slider);
        QCOMPARE(slider->Value(), 4);
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(last, 5);
        QCOMPARE(button.text(), QString("Blur: 5"));
    }

    void captionsShrinkToFit() {
        const QFont base("Sans Serif", 9);
        const QFont fitted = FittedFont(base, "A rather long caption", 60);
        QVERIFY(fitted.pointSize() < 9);
        QVERIFY(fitted.pointSize() >= 6);
        QCOMPARE(FittedFont(base, "Fill", 60).pointSize(), 9);
    }
};

} // namespace ts

QTEST_MAIN(ts::PanelWidgetsTest)
#include "test_panel_widgets.moc"
