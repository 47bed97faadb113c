// The window as it starts, its fixed facts, and the handlers of the shell.

#include "support_gui/WindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "display/TGlyphLabel.h"

namespace {

using ShellTest = WindowTest;

TEST_F(ShellTest, StartsWithTheStartValues) {
    const TProgramState& s = window->State;
    EXPECT_EQ(s.RecordNo, 1);
    EXPECT_EQ(s.RecordCount, 0);
    EXPECT_EQ(s.RecordLimit, 10000);
    EXPECT_EQ(s.ChartValue, 0.0f);
    EXPECT_TRUE(s.RxHex.isEmpty());
    EXPECT_FALSE(s.FramePending);
    EXPECT_EQ(window->CurrentDevice, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("RX47 Interface Program V2.01"));
    EXPECT_EQ(window->DecimalSep, ".");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ShellTest, WindowIsFixedSizeWithoutMaximizeBox) {
    EXPECT_EQ(window->height(), 520);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
}

TEST_F(ShellTest, ScrollBarsReachTheControlsBeyondTheEdges) {
    window->show();
    QScrollArea* area = window->ClientArea;
    const QSize viewport = area->viewport()->size();
    ASSERT_LT(viewport.width(), 760);
    for (QWidget* far : std::initializer_list<QWidget*>{
             window->ClearBtn, window->SendData, window->BTCon, window->Panel2, window->Panel3}) {
        const QRect where = far->geometry();
        EXPECT_TRUE(window->Client->rect().contains(where)) << far->objectName().toStdString();
        const bool beyond =
            where.right() >= viewport.width() || where.bottom() >= viewport.height();
        EXPECT_TRUE(beyond) << far->objectName().toStdString()
                            << " should lie beyond the visible area";
        EXPECT_GE(area->horizontalScrollBar()->maximum() + viewport.width(), where.right() + 1);
        EXPECT_GE(area->verticalScrollBar()->maximum() + viewport.height(), where.bottom() + 1);
    }
}

TEST_F(ShellTest, HiddenSettingsAndControls) {
    EXPECT_TRUE(window->B2400->isChecked());
    EXPECT_FALSE(window->B4800->isChecked());
    EXPECT_FALSE(window->B9600->isChecked());
    EXPECT_TRUE(window->IFQV210->isChecked());
    // Shown, the window keeps them out of sight while its working controls appear.
    window->show();
    ASSERT_TRUE(window->USBCon->isVisible());
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             window->Memo1, window->B2400, window->B4800, window->B9600, window->Degug,
             window->ReadBtn, window->SetFeature, window->DevListBox, window->ListBox1})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_TRUE(window->Memo1->isHidden());
    EXPECT_TRUE(window->Degug->isHidden());
    EXPECT_EQ(window->HistoryListBox->width(), 0);
    EXPECT_FALSE(window->ConnectMenu->menuAction()->isVisible());
    EXPECT_TRUE(window->N100001->isChecked());
}

TEST_F(ShellTest, ControlsCarryTheirNames) {
    for (const char* name :
         {"USBCon",        "BitBtn1",  "Panel1",      "LcdD3",    "LcdDT1",       "LCDC",
          "LCDDEW",        "LCDTime",  "RepeatSet",   "RecordSI", "RecordSITime", "RecordNew",
          "OpenDataFiles", "saveas",   "BtPrint",     "DBGrid1",  "Chtshow",      "CONokN",
          "CONok",         "RHORTEMP", "Maxrecord",   "BtNew",    "BtSave",       "BtFirst",
          "BTPrevious",    "Bt10",     "BtNext",      "BTlast",   "ClearBtn",     "SendData",
          "BTCon",         "Panel2",   "RecallCheck", "TimeH",    "TimeM",        "TimeS",
          "TimeInt",       "Panel3",   "Setmax",      "SetMin",   "Degug",        "HistoryListBox",
          "DevListBox",    "USBtxt",   "USBtxt1",     "Memo1",    "B2400",        "IFQV210",
          "BtDiscon"})
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(ShellTest, CtrlAReachesStartAlthoughTheMenuIsHidden) {
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QSignalSpy started(window->START1, &QAction::triggered);
    QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(started.count(), 1);
}

struct LimitCase {
    const char* text;
    bool error;
};

class LimitHandlers : public WindowTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LimitHandlers, SignsAndEmptyAreZeroOtherTextsMustBeIntegers) {
    for (QLineEdit* edit : {window->Setmax, window->SetMin}) {
        dialogs.messages.clear();
        edit->setText(QString::fromLatin1(GetParam().text)); // the change runs the handler
        if (GetParam().error) {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0].text,
                      QStringLiteral("'%1' is not a valid integer value").arg(GetParam().text));
            EXPECT_EQ(dialogs.messages[0].icon, TMessageIcon::Information);
        } else {
            EXPECT_TRUE(dialogs.messages.empty());
        }
    }
    EXPECT_EQ(window->MinText->text(), QStringLiteral("40001"));
    EXPECT_EQ(window->MaxText->text(), QStringLiteral("-40001"));
}

INSTANTIATE_TEST_SUITE_P(Texts, LimitHandlers,
                         ::testing::Values(LimitCase{"-", false}, LimitCase{"+", false},
                                           LimitCase{"", false}, LimitCase{"-123", false},
                                           LimitCase{"5-", true}, LimitCase{"+-", true},
                                           LimitCase{"abc", true}),
                         [](const auto& p) { return "case" + std::to_string(p.index); });

TEST_F(ShellTest, LimitCheckBoxClickRunsTheHandler) {
    window->Setmax->blockSignals(true);
    window->Setmax->setText(QStringLiteral("x1"));
    window->Setmax->blockSignals(false);
    window->SetMaxB->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("'x1' is not a valid integer value"));
}

TEST_F(ShellTest, DecodedFrameReachesTheReadoutLabels) {
    window->State.RxHex = "023435333233343130303030303030053B0D0A";
    window->State.FrameText = "2453234100000005BDA";
    window->LcdDisplay55(1);
    EXPECT_EQ(window->LcdD3->Caption(), "4");
    EXPECT_EQ(window->LcdD1->Caption(), "3");
    EXPECT_EQ(window->LcdFH->Caption(), "-");
    EXPECT_EQ(window->LcdDT3->Caption(), "2");
    EXPECT_EQ(window->LCDC->Caption(), "#");
    EXPECT_EQ(window->LCDDEW->text(), QStringLiteral(" "));
    EXPECT_EQ(window->LCDTime->text(), QStringLiteral("05:59"));
    EXPECT_EQ(window->State.HumidityText, "45.3%RH");
    EXPECT_EQ(window->State.TemperatureText, "-23.4");
    EXPECT_FALSE(window->CONok->isHidden());
    EXPECT_TRUE(window->CONokN->isHidden());
}

TEST_F(ShellTest, FailedDecodeShowsWhatWasSetAndOneMessage) {
    // Byte 14 has the low digit C: the digits are shown, the unit step fails.
    window->State.RxHex = "023435333233343130303030303C30053B0D0A";
    window->Guard([&] { window->LcdDisplay55(1); });
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("'C' is not a valid integer value"));
    EXPECT_EQ(window->LcdD2->Caption(), "5");
    EXPECT_EQ(window->LCDC->Caption(), "#");
    EXPECT_EQ(window->LCDTime->text(), QStringLiteral("00:00:00"));
    EXPECT_TRUE(window->State.UnitText.isEmpty());
}

QByteArray CommaQuery() {
    return ",";
}
QByteArray FailingQuery() {
    return {};
}

TEST_F(ShellTest, DecimalSeparatorComesFromTheLocaleQuery) {
    TFCOMMEnvironment comma;
    comma.decimalSepQuery = &CommaQuery;
    MakeWindow(comma);
    EXPECT_EQ(window->DecimalSep, ",");
    TFCOMMEnvironment failing;
    failing.decimalSepQuery = &FailingQuery;
    MakeWindow(failing);
    EXPECT_EQ(window->DecimalSep, "");
}

TEST_F(ShellTest, ExitClosesTheWindowWithoutAQuestion) {
    window->show();
    window->BitBtn1->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ShellTest, TimersAreSetUp) {
    EXPECT_EQ(window->ConTimer->interval(), 10);
    EXPECT_EQ(window->Trecord->interval(), 1000);
    EXPECT_EQ(window->Timer1->interval(), 500);
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(ShellTest, DialogsAreConfigured) {
    EXPECT_EQ(window->SaveDialog2.filter,
              QStringLiteral("Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt"));
    EXPECT_EQ(window->SaveDialog2.defaultExtension, QStringLiteral("xls"));
    EXPECT_TRUE(window->SaveDialog2.confirmOverwrite);
    EXPECT_EQ(window->OpenDialog1.filter,
              QStringLiteral("Excel File(*.xls)|*.xls|XML (*.xml)|*.xml|Txt File(*.txt)|*.txt"));
    EXPECT_EQ(window->SavePictureDialog1.filter, QStringLiteral("Bitmaps (*.bmp)|*.bmp"));
}

} // namespace
