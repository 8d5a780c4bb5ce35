// The view's keys on Qt's offscreen platform: Qt's key codes as the core's US-keyboard codes, Shift and
// Caps Lock, and lettering typed into the view.

#include "app/main_frame.h"
#include "app/tintsmith_view.h"
#include "interact/virtual_keys.h"
#include "platform/memory_settings_store.h"
#include "qtplatform/qt_image_codec.h"
#include "qtplatform/qt_user_interface.h"

#include <QApplication>
#include <QtTest>

#include <memory>

namespace ts {

class KeyCodeTest : public QObject {
    Q_OBJECT

private slots:
    void theUsPunctuationKeysComeWithAndWithoutShift() {
        const struct {
            Qt::Key plain;
            Qt::Key shifted;
            uint32_t vk;
        } keys[] = {
            {Qt::Key_Semicolon, Qt::Key_Colon, 0xBA},      {Qt::Key_Equal, Qt::Key_Plus, 0xBB},
            {Qt::Key_Comma, Qt::Key_Less, 0xBC},           {Qt::Key_Minus, Qt::Key_Underscore, 0xBD},
            {Qt::Key_Period, Qt::Key_Greater, 0xBE},       {Qt::Key_Slash, Qt::Key_Question, 0xBF},
            {Qt::Key_QuoteLeft, Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, Qt::Key_BraceLeft, 0xDB},
            {Qt::Key_Backslash, Qt::Key_Bar, 0xDC},        {Qt::Key_BracketRight, Qt::Key_BraceRight, 0xDD},
            {Qt::Key_Apostrophe, Qt::Key_QuoteDbl, 0xDE},
        };
        for (const auto& k : keys) {
            uint32_t vk = 0;
            uint32_t flags = 0;
            QVERIFY(CTintsmithView::KeyCode(k.plain, Qt::NoModifier, QString(), vk, flags));
            QCOMPARE(vk, k.vk);
            QCOMPARE(flags, 0u);
            // Qt may report the shifted symbol with or without the Shift modifier: the key carries it.
            QVERIFY(CTintsmithView::KeyCode(k.shifted, Qt::NoModifier, QString(), vk, flags));
            QCOMPARE(vk, k.vk);
            QCOMPARE(flags, keys::kShiftFlag);
        }
        uint32_t vk = 0;
        uint32_t flags = 0;
        QVERIFY(CTintsmithView::KeyCode(Qt::Key_At, Qt::ShiftModifier, "@", vk, flags));
        QCOMPARE(vk, uint32_t{'2'});
        QCOMPARE(flags, keys::kShiftFlag);
        QVERIFY(CTintsmithView::KeyCode(Qt::Key_ParenRight, Qt::ShiftModifier, ")", vk, flags));
        QCOMPARE(vk, uint32_t{'0'});
        // The modifier keys themselves are no key of the core.
        QVERIFY(!CTintsmithView::KeyCode(Qt::Key_Shift, Qt::ShiftModifier, QString(), vk, flags));
        QVERIFY(!CTintsmithView::KeyCode(Qt::Key_CapsLock, Qt::NoModifier, QString(), vk, flags));
    }

    void capsLockIsReadFromTheCaseOfTheLetterTyped() {
        const struct {
            Qt::KeyboardModifiers modifiers;
            const char* text;
            bool capsLock;
        } cases[] = {{Qt::NoModifier, "a", false},
                     {Qt::ShiftModifier, "A", false},
                     {Qt::NoModifier, "A", true},
                     {Qt::ShiftModifier, "a", true}};
        for (const auto& c : cases) {
            uint32_t vk = 0;
            uint32_t flags = 0;
            QVERIFY(CTintsmithView::KeyCode(Qt::Key_A, c.modifiers, c.text, vk, flags));
            QCOMPARE(vk, uint32_t{'A'});
            QCOMPARE((flags & keys::kCapsLockFlag) != 0, c.capsLock);
        }
    }

    void lettersTypedIntoTheViewBecomeTheText() {
        QtUserInterface ui;
        QtImageCodec codec;
        MemorySettingsStore settings;
        Workspace workspace(ui, settings, codec, QApplication::applicationDirPath().toStdString() + "/");
        CMainFrame frame(workspace, ui);
        frame.resize(1000, 700);
        QVERIFY(workspace.layerOperations.NewDrawing());
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.View()->setFocus();
        const bool showColor = workspace.compositor.switches.showColor;
        QVERIFY(workspace.RunCommand(cmd::kTextTool));
        QVERIFY(workspace.textToolManager.OnToolPress(0, 10, 10));
        QTest::keyClicks(frame.View(), "Cc 2@:");
        QTest::keyClick(frame.View(), Qt::Key_Backspace);
        QCOMPARE(QString::fromStdU32String(workspace.textManager.Text()), QString("Cc 2@"));
        QCOMPARE(workspace.compositor.switches.showColor, showColor);
    }
};

} // namespace ts

QTEST_MAIN(ts::KeyCodeTest)
#include "test_key_codes.moc"
