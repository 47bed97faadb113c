// The recall start-time panel: the day start/end switch and the range test of the time boxes.

#include "support_gui/WindowFixture.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>

namespace {

class RecallPanelTest : public WindowTest {
protected:
    QStringList Times() const {
        return {window->TimeH->text(), window->TimeM->text(), window->TimeS->text()};
    }
    void SetTimes(const QString& h, const QString& m, const QString& s) {
        window->TimeH->setText(h);
        window->TimeM->setText(m);
        window->TimeS->setText(s);
    }
    void KeyUp(QLineEdit* box) {
        window->Guard([&] { window->TimeHKeyUp(box); });
    }
};

TEST_F(RecallPanelTest, TickingSwitchesBetweenDayStartAndDayEnd) {
    EXPECT_EQ(Times(), QStringList({"23", "59", "59"}));
    QSignalSpy changes(window->TimeH, &QLineEdit::textChanged);
    window->RecallCheck->setChecked(true);
    window->Guard([&] { window->RecallCheckClick(); });
    EXPECT_EQ(Times(), QStringList({"00", "00", "00"}));
    window->RecallCheck->setChecked(false);
    window->Guard([&] { window->RecallCheckClick(); });
    EXPECT_EQ(Times(), QStringList({"23", "59", "59"}));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RecallPanelTest, EachChangeReloadsTheSamplingCountdown) {
    window->RecordSITime->setText(QStringLiteral("7"));
    window->SampleCountdown = 0;
    window->RecallCheck->click();
    EXPECT_EQ(window->SampleCountdown, 7);
    window->SampleCountdown = 0;
    window->RecallCheck->click();
    EXPECT_EQ(window->SampleCountdown, 7);
    window->SampleCountdown = 0;
    window->TimeS->setText(QStringLiteral("75"));
    window->SampleCountdown = 0;
    KeyUp(window->TimeS); // the reset to "00" is a change too
    EXPECT_EQ(window->SampleCountdown, 7);
}

TEST_F(RecallPanelTest, ClickingTheBoxRunsTheHandler) {
    window->RecallCheck->click();
    EXPECT_EQ(Times(), QStringList({"00", "00", "00"}));
}

TEST_F(RecallPanelTest, HourOfTwentyFourIsAnInputError) {
    window->TimeH->setText(QStringLiteral("24"));
    KeyUp(window->TimeH);
    EXPECT_EQ(dialogs.Texts(), QStringList({"Input error!"}));
    EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);
    EXPECT_EQ(Times(), QStringList({"00", "59", "59"}));
}

TEST_F(RecallPanelTest, UpperBoundsAreAccepted) {
    SetTimes("23", "59", "59");
    KeyUp(window->TimeS);
    SetTimes("0", "00", "7");
    KeyUp(window->TimeM);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Times(), QStringList({"0", "00", "7"}));
}

TEST_F(RecallPanelTest, TwoBadBoxesGiveTwoMessagesInOrder) {
    SetTimes("12", "60", "75");
    // Each box is reset only once its message is closed.
    QStringList seen;
    dialogs.onMessage = [&](const QString&) { seen << Times().join(':'); };
    KeyUp(window->TimeH); // whichever box fired, all three are tested
    EXPECT_EQ(dialogs.Texts(), QStringList({"Input error!", "Input error!"}));
    EXPECT_EQ(seen, QStringList({"12:60:75", "12:00:75"}));
    EXPECT_EQ(Times(), QStringList({"12", "00", "00"}));
}

TEST_F(RecallPanelTest, EmptyBoxGivesTheConversionErrorAfterTheBoxesBeforeIt) {
    SetTimes("24", "30", "");
    KeyUp(window->TimeS);
    EXPECT_EQ(dialogs.Texts(), QStringList({"Input error!", "'' is not a valid integer value"}));
    EXPECT_EQ(Times(), QStringList({"00", "30", ""}));
}

TEST_F(RecallPanelTest, TextThatIsNoNumberStopsTheTest) {
    SetTimes("1x", "99", "99");
    KeyUp(window->TimeH);
    EXPECT_EQ(dialogs.Texts(), QStringList({"'1x' is not a valid integer value"}));
    EXPECT_EQ(Times(), QStringList({"1x", "99", "99"})); // the boxes after it are not tested
}

TEST_F(RecallPanelTest, PastedNegativeValuePassesTheBoundTest) {
    SetTimes("-5", "00", "00");
    KeyUp(window->TimeH);
    EXPECT_TRUE(dialogs.messages.empty());
}

// A key going down and up in a box, as the keyboard delivers it.
void Type(QWidget* box, Qt::Key key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &release);
}

TEST_F(RecallPanelTest, KeyReleaseInABoxRunsTheTest) {
    window->TimeM->setText(QStringLiteral("61"));
    Type(window->TimeS, Qt::Key_Right);
    EXPECT_EQ(dialogs.Texts(), QStringList({"Input error!"}));
    EXPECT_EQ(window->TimeM->text(), QStringLiteral("00"));
    // The interval box has no range test.
    window->TimeInt->setText(QStringLiteral("99999"));
    Type(window->TimeInt, Qt::Key_1, QStringLiteral("1"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(RecallPanelTest, KeyThatClosedTheMessageBoxDoesNotRaiseItAgain) {
    // Backspace empties TimeS; the box is closed with Enter (or Escape, or Space on its button),
    // whose release then reaches TimeS as it gets the focus back.
    window->TimeS->setText(QStringLiteral("5"));
    Type(window->TimeS, Qt::Key_Backspace);
    ASSERT_EQ(dialogs.Texts(), QStringList({"'' is not a valid integer value"}));
    for (Qt::Key closing : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) {
        QKeyEvent release(QEvent::KeyRelease, closing, Qt::NoModifier);
        QCoreApplication::sendEvent(window->TimeS, &release);
    }
    EXPECT_EQ(dialogs.messages.size(), 1u);
    // A key typed in the box afterwards is tested again.
    Type(window->TimeS, Qt::Key_Backspace);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    // A key whose press reached the box before it lost the focus is released elsewhere.
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(window->TimeS, &press);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(window->TimeS, &focusOut);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier);
    QCoreApplication::sendEvent(window->TimeS, &release);
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

TEST_F(RecallPanelTest, MessageBoxTakingTheFocusIsNotLeavingTheCheckBox) {
    window->TimeS->setText(QStringLiteral("x"));
    for (Qt::FocusReason reason : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        QFocusEvent focusOut(QEvent::FocusOut, reason);
        QCoreApplication::sendEvent(window->RecallCheck, &focusOut);
    }
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RecallPanelTest, LeavingTheCheckBoxWithAnEmptyMinuteGivesTheConversionError) {
    window->TimeM->setText(QString());
    window->Guard([&] { window->RecallCheckExit(); });
    EXPECT_EQ(dialogs.Texts(), QStringList({"'' is not a valid integer value"}));
    dialogs.messages.clear();
    window->TimeM->setText(QStringLiteral("75")); // no range test on leaving
    window->Guard([&] { window->RecallCheckExit(); });
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RecallPanelTest, FocusLeavingTheCheckBoxRunsTheExitHandler) {
    window->TimeS->setText(QStringLiteral("x"));
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(window->RecallCheck, &focusOut);
    EXPECT_EQ(dialogs.Texts(), QStringList({"'x' is not a valid integer value"}));
}

} // namespace
