#include "app/TFCOMM.h"

#include "app/QtUserDialogs.h"
#include "app/WindowArt.h"
#include "base/Ansi.h"
#include "base/Conversion.h"
#include "base/LocaleInfo.h"
#include "display/AfterFirstPaint.h"
#include "display/AlarmLines.h"
#include "display/PacedAction.h"
#include "display/TChartControl.h"
#include "display/TGlyphLabel.h"
#include "hid/HidControllerClass.h"
#include "records/AlarmLimits.h"
#include "records/ReadingStatistics.h"
#include "records/RecordJournal.h"
#include "records/RecordTable.h"
#include "serial/CommDriver.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QChartView>
#include <QCheckBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int kClientWidth = 736;
constexpr int kWindowHeight = 520;
// The scrolled client reaches the controls that lie beyond the window's right and bottom edges.
constexpr QSize kClientExtent(1130, 760);

// The readout's ink while a link is up, and the grey of a reading that is no longer live.
const QColor kLiveInk(24, 28, 30);
const QColor kStaleInk(160, 164, 166);

// A speed button that stays down while its link is up, drawn down as such a button is: sunken
// bevel, darker face, caption shifted by a pixel.
const char kSpeedButtonStyle[] =
    "QToolButton { background: palette(button); border-style: solid; border-width: 2px;"
    " border-color: #ffffff #404040 #404040 #ffffff; padding: 0px 1px 1px 0px; }"
    "QToolButton:checked { background: #b4b4b4; border-color: #404040 #ffffff #ffffff #404040;"
    " padding: 1px 0px 0px 1px; }";

QFont WindowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

QFont ArialFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

template <class W> W* Place(W* widget, const char* name, int x, int y, int w, int h) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& hint, int x, int y,
                         int w, int h) {
    auto* button = Place(new QToolButton(parent), name, x, y, w, h);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QPushButton* PanelButton(QWidget* parent, const char* name, const QString& caption, int x, int y,
                         int w, int h) {
    // A bevelled panel that serves as a button.
    auto* panel = Place(new QPushButton(caption, parent), name, x, y, w, h);
    panel->setFlat(false);
    return panel;
}

QLabel* Label(QWidget* parent, const QString& caption, int x, int y) {
    auto* label = new QLabel(caption, parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

TFCOMM::TFCOMM(const TFCOMMEnvironment& environment, QWidget* parent)
    : QMainWindow(parent), environment_(environment) {
    setObjectName(QStringLiteral("FCOMM"));
    if (environment_.dialogs) {
        dialogs_ = environment_.dialogs;
    } else {
        ownDialogs_ = std::make_unique<TQtUserDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }
    // Single border, system menu and minimize box, no maximize box; the size is fixed.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    // The title bar's icon is the window manager's to draw once the window is up, and drawing it
    // is the first use of a font: it waits until the window has painted.
    RunAfterFirstPaint(*this, [this] { setWindowIcon(DrawWindowIcon()); });
    setFont(WindowFont());

    ClientArea = new QScrollArea(this);
    ClientArea->setObjectName(QStringLiteral("ClientArea"));
    ClientArea->setFrameShape(QFrame::NoFrame);
    ClientArea->setWidgetResizable(false);
    Client = new QWidget;
    Client->setObjectName(QStringLiteral("Client"));
    Client->setFixedSize(kClientExtent);
    Client->setAutoFillBackground(true);
    ClientArea->setWidget(Client);
    setCentralWidget(ClientArea);

    // Controls first, in layout order, then the non-visual components.
    BuildVisibleArea();
    BuildOutsideArea();
    BuildHiddenControls();
    BuildMenu();
    CreateNonVisualComponents();
    BindCommandMap();

    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    setFixedSize(kClientWidth + scrollBar, kWindowHeight);
    FormCreate();
}

TFCOMM::~TFCOMM() = default;

void TFCOMM::BuildVisibleArea() {
    QWidget* c = Client;
    USBCon = SpeedButton(c, "USBCon", QStringLiteral("USB Connect"), 4, 7, 102, 22);
    USBCon->setText(QStringLiteral("Connect"));
    USBCon->setCheckable(true);
    USBCon->setAutoRaise(false);
    USBCon->setStyleSheet(QString::fromLatin1(kSpeedButtonStyle));
    BitBtn1 = Place(new QPushButton(QStringLiteral("Exit"), c), "BitBtn1", 644, 4, 68, 25);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    StateLine = Place(new QLabel(c), "StateLine", 116, 9, 520, 18);
    StateLine->setTextFormat(Qt::PlainText);
    QFont stateFont = StateLine->font();
    stateFont.setBold(false);
    StateLine->setFont(stateFont);

    // The simulated LCD.
    Panel1 = Place(new QFrame(c), "Panel1", 3, 32, 310, 129);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    QPalette lcd = Panel1->palette();
    lcd.setColor(QPalette::Window, QColor(232, 232, 232));
    Panel1->setPalette(lcd);
    const auto digit = [&](const char* name, const QByteArray& caption, int x, int y, int w, int h,
                           double px) {
        auto* label = Place(new TGlyphLabel(caption, px, Panel1), name, x, y, w, h);
        label->Style().ghost = QColor(0, 0, 0, 14);
        return label;
    };
    const auto point = [&](const char* name, int x, int y) {
        auto* shape = Place(new QFrame(Panel1), name, x, y, 5, 5);
        shape->setAutoFillBackground(true);
        QPalette ink = shape->palette();
        ink.setColor(QPalette::Window, QColor(24, 28, 30));
        shape->setPalette(ink);
        return shape;
    };
    // Humidity: three digits, the point, "%RH".
    constexpr double kDigitPx = 72;
    LcdD3 = digit("LcdD3", "8", 8, 12, 34, 58, kDigitPx);
    LcdD2 = digit("LcdD2", "8", 44, 12, 34, 58, kDigitPx);
    LcdP1 = point("LcdP1", 76, 60);
    LcdD1 = digit("LcdD1", "8", 84, 12, 34, 58, kDigitPx);
    LcdTimeT = Place(new TGlyphLabel("%RH", 21, Panel1), "LcdTimeT", 80, 72, 46, 20);
    // Temperature: sign, three digits, the point, the unit mark and the dew-point caption.
    LcdFH = digit("LcdFH", "-", 128, 12, 30, 58, kDigitPx);
    LcdFH->Style().bold = true;
    LcdFH->Style().ghost = QColor(0, 0, 0, 0);
    LcdDT3 = digit("LcdDT3", "8", 156, 12, 34, 58, kDigitPx);
    LcdDT2 = digit("LcdDT2", "8", 192, 12, 34, 58, kDigitPx);
    LcdP2 = point("LcdP2", 224, 60);
    LcdDT1 = digit("LcdDT1", "8", 232, 12, 34, 58, kDigitPx);
    LCDC = digit("LCDC", "#", 270, 12, 36, 26, 32);
    LCDC->Style().ghost = QColor(0, 0, 0, 0);
    LCDDEW = Place(new QLabel(QStringLiteral("DEW POINT"), Panel1), "LCDDEW", 160, 74, 144, 20);
    LCDDEW->setFont(ArialFont(16, true));
    LCDDEW->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Time.
    LcdTX = Place(new TGlyphLabel("Time:", 19, Panel1), "LcdTX", 10, 100, 60, 22);
    LcdTX->Style().bold = true;
    LCDTime = Place(new QLabel(QStringLiteral("00:00:00"), Panel1), "LCDTime", 72, 100, 110, 22);
    LCDTime->setFont(ArialFont(19));
    for (QLabel* label : {LCDDEW, LCDTime}) {
        label->setAttribute(Qt::WA_TranslucentBackground);
        label->setTextFormat(Qt::PlainText);
    }

    // Tool row.
    RepeatSet = Place(new QCheckBox(QStringLiteral("Repeat"), c), "RepeatSet", 4, 173, 62, 20);
    RepeatSet->setToolTip(QStringLiteral("Repeage Record"));
    RecordSI = Place(new QCheckBox(QStringLiteral("Sampling Interval           'S"), c), "RecordSI",
                     64, 173, 158, 20);
    QFont toolFont = RecordSI->font();
    toolFont.setBold(false);
    toolFont.setPixelSize(10);
    RecordSI->setFont(toolFont);
    RepeatSet->setFont(toolFont);
    // The interval edit sits over the spaces of the caption, before its "'S".
    const int indicator = RecordSI->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                          RecordSI->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    const int editX =
        RecordSI->x() + indicator +
        QFontMetrics(toolFont).horizontalAdvance(QStringLiteral("Sampling Interval ")) + 2;
    RecordSITime =
        Place(new QLineEdit(QStringLiteral("10"), c), "RecordSITime", editX, 172, 27, 20);
    RecordSITime->setAlignment(Qt::AlignRight);
    RecordNew = SpeedButton(c, "RecordNew", QStringLiteral("Close Data"), 224, 171, 22, 22);
    OpenDataFiles =
        SpeedButton(c, "OpenDataFiles", QStringLiteral("Open old data files"), 246, 171, 22, 22);
    saveas = SpeedButton(c, "saveas", QStringLiteral("Save data files"), 268, 171, 22, 22);
    BtPrint = SpeedButton(c, "BtPrint", QStringLiteral("Print"), 290, 171, 22, 22);
    RecordNew->setIcon(DrawToolIcon(TToolIcon::CloseData));
    OpenDataFiles->setIcon(DrawToolIcon(TToolIcon::Open));
    saveas->setIcon(DrawToolIcon(TToolIcon::Save));
    BtPrint->setIcon(DrawToolIcon(TToolIcon::Print));

    // Record grid.
    DBGrid1 = Place(new QTableView(c), "DBGrid1", 0, 200, 313, 273);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setFont(ArialFont(12));
    DBGrid1->verticalHeader()->setDefaultSectionSize(17);
    DBGrid1->verticalHeader()->setFixedWidth(12);
    DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(11);
    DBGrid1->horizontalHeader()->setFont(title);

    // Chart with its own row of controls at its top.
    Chtshow = Place(new QChartView(c), "Chtshow", 312, 32, 421, 441);
    CONokN = Place(new QLabel(Chtshow), "CONokN", 5, 8, 25, 24);
    CONokN->setPixmap(DrawLinkImage(false));
    CONok = Place(new QLabel(Chtshow), "CONok", 5, 8, 25, 24);
    CONok->setPixmap(DrawLinkImage(true));
    CONok->hide();
    RHORTEMP =
        Place(new QCheckBox(QStringLiteral("%RH / Temp"), Chtshow), "RHORTEMP", 32, 10, 102, 20);
    Maxrecord = Place(new QLineEdit(QStringLiteral("100"), Chtshow), "Maxrecord", 135, 10, 38, 20);
    Maxrecord->setAlignment(Qt::AlignRight);
    Maxrecord->setToolTip(QStringLiteral("Points per page"));
    int x = 176;
    const auto chartButton = [&](const char* name, const QString& hint, TToolIcon icon) {
        auto* button = SpeedButton(Chtshow, name, hint, x, 9, 24, 22);
        button->setIcon(DrawToolIcon(icon));
        x += 26;
        return button;
    };
    BtNew = chartButton("BtNew", QStringLiteral("New"), TToolIcon::New);
    BtSave = chartButton("BtSave", QStringLiteral("Save"), TToolIcon::Picture);
    BtFirst = chartButton("BtFirst", QStringLiteral("First"), TToolIcon::First);
    BTPrevious = chartButton("BTPrevious", QStringLiteral("Previous"), TToolIcon::Previous);
    Bt10 = SpeedButton(Chtshow, "Bt10", QStringLiteral("Page No."), x, 9, 36, 22);
    Bt10->setText(QStringLiteral("1"));
    QPalette blue = Bt10->palette();
    blue.setColor(QPalette::ButtonText, Qt::blue);
    Bt10->setPalette(blue);
    x += 38;
    BtNext = chartButton("BtNext", QStringLiteral("Next"), TToolIcon::Next);
    BTlast = chartButton("BTlast", QStringLiteral("last"), TToolIcon::Last);
    ListBox1 = Place(new QListWidget(Chtshow), "ListBox1", 240, 60, 170, 100);
    ListBox1->hide();
}

void TFCOMM::BuildOutsideArea() {
    QWidget* c = Client;
    ClearBtn = Place(new QPushButton(QStringLiteral("Clear"), c), "ClearBtn", 739, 438, 75, 25);
    SendData =
        Place(new QPushButton(QStringLiteral("USBSendData"), c), "SendData", 957, 408, 100, 25);
    BTCon = PanelButton(c, "BTCon", QStringLiteral("Connect"), 957, 666, 100, 25);

    Panel2 = Place(new QFrame(c), "Panel2", 41, 670, 334, 26);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    Panel2->setAutoFillBackground(true);
    QPalette silver = Panel2->palette();
    silver.setColor(QPalette::Window, QColor(192, 192, 192));
    silver.setColor(QPalette::Base, QColor(192, 192, 192));
    Panel2->setPalette(silver);
    RecallCheck =
        Place(new QCheckBox(QStringLiteral("RecallData"), Panel2), "RecallCheck", 4, 3, 96, 20);
    RecallCheck->setToolTip(QStringLiteral("Repeage Record"));
    QFont recallFont = ArialFont(12, true);
    recallFont.setItalic(true);
    RecallCheck->setFont(recallFont);
    // The rest of the row follows the check box, each piece as wide as its caption needs at
    // the window's font, and the panel grows when the row needs more than its laid-out width.
    int x = RecallCheck->geometry().right() + 3;
    const auto caption = [&](const QString& text) {
        QLabel* label = Label(Panel2, text, x, 6);
        x += label->width() + 3;
    };
    const auto box = [&](const char* name, const QString& text, int width) {
        auto* edit = Place(new QLineEdit(text, Panel2), name, x, 3, width, 20);
        x += width + 3;
        return edit;
    };
    caption(QStringLiteral("StartTime:"));
    TimeH = box("TimeH", QStringLiteral("23"), 24);
    caption(QStringLiteral(":"));
    TimeM = box("TimeM", QStringLiteral("59"), 24);
    caption(QStringLiteral(":"));
    TimeS = box("TimeS", QStringLiteral("59"), 24);
    caption(QStringLiteral("Interval"));
    TimeInt = box("TimeInt", QStringLiteral("1"), 22);
    caption(QStringLiteral("'S"));
    Panel2->resize(std::max(Panel2->width(), x + 2), Panel2->height());

    // The limits panel lies just below the recall panel (the layout had it overlapping).
    Panel3 = Place(new QFrame(c), "Panel3", 72, 700, 334, 48);
    Panel3->setFrameShape(QFrame::Panel);
    Panel3->setFrameShadow(QFrame::Sunken);
    Label(Panel3, QStringLiteral("MIN: "), 6, 5);
    MinText = Place(new QLabel(QStringLiteral("40001"), Panel3), "MinText", 42, 5, 50, 16);
    Label(Panel3, QStringLiteral("MAX: "), 6, 26);
    MaxText = Place(new QLabel(QStringLiteral("-40001"), Panel3), "MaxText", 42, 26, 50, 16);
    SetMaxB = Place(new QCheckBox(QStringLiteral("SetMax:"), Panel3), "SetMaxB", 110, 3, 84, 20);
    Setmax = Place(new QLineEdit(QStringLiteral("40000"), Panel3), "Setmax", 196, 3, 60, 20);
    SetMinB = Place(new QCheckBox(QStringLiteral("SetMin: "), Panel3), "SetMinB", 110, 25, 84, 20);
    SetMin = Place(new QLineEdit(QStringLiteral("-40000"), Panel3), "SetMin", 196, 25, 60, 20);

    Degug = Place(new QPushButton(QStringLiteral("Degug On"), c), "Degug", 869, 336, 80, 25);
    Degug->hide();
    HistoryListBox = Place(new QListWidget(c), "HistoryListBox", 1112, 248, 0, 97);
}

void TFCOMM::BuildHiddenControls() {
    QWidget* c = Client;
    const auto hidden = [](QWidget* widget) {
        widget->hide();
        return widget;
    };
    ReadBtn = SpeedButton(c, "ReadBtn", QString(), 800, 100, 60, 22);
    ReadBtn->setText(QStringLiteral("Read"));
    ReadBtn->setCheckable(true);
    hidden(ReadBtn);
    SetFeature =
        Place(new QPushButton(QStringLiteral("SetFeature"), c), "SetFeature", 800, 130, 90, 25);
    hidden(SetFeature);
    DevListBox = Place(new QListWidget(c), "DevListBox", 800, 160, 200, 80);
    hidden(DevListBox);
    USBtxt = Place(new QLabel(QStringLiteral("6001"), c), "USBtxt", 800, 250, 200, 16);
    USBtxt1 = Place(new QLabel(QStringLiteral("6001"), c), "USBtxt1", 800, 270, 200, 16);
    hidden(USBtxt);
    hidden(USBtxt1);
    Memo1 = Place(new QPlainTextEdit(c), "Memo1", 800, 290, 150, 40);
    B2400 = Place(new QCheckBox(QStringLiteral("2400"), c), "B2400", 960, 100, 60, 20);
    B2400->setChecked(true);
    B4800 = Place(new QCheckBox(QStringLiteral("4800"), c), "B4800", 960, 120, 60, 20);
    B9600 = Place(new QCheckBox(QStringLiteral("9600"), c), "B9600", 960, 140, 60, 20);
    IFQV210 = Place(new QCheckBox(QStringLiteral("QV210/260"), c), "IFQV210", 960, 160, 100, 20);
    IFQV210->setChecked(true);
    hidden(IFQV210);
    BtDiscon = PanelButton(c, "BtDiscon", QStringLiteral("Disconnect"), 957, 666, 100, 25);
    hidden(BtDiscon);
    int comX = 440;
    for (auto* slot : {&BtCOM1, &BtCOM2, &BtCOM3, &BtCOM4}) {
        const int n = int(slot - &BtCOM1) + 1;
        const QByteArray name = "BtCOM" + QByteArray::number(n);
        *slot =
            PanelButton(c, name.constData(), QStringLiteral("COM %1").arg(n), comX, 670, 60, 25);
        hidden(*slot);
        comX += 62;
    }
    COMCon = SpeedButton(c, "COMCon", QString(), 800, 400, 90, 22);
    COMCon->setText(QStringLiteral("RM31 COM"));
    COMCon->setCheckable(true);
    COMCon->setAutoRaise(false);
    COMCon->setStyleSheet(QString::fromLatin1(kSpeedButtonStyle));
    hidden(COMCon);
    Button3 = Place(new QPushButton(QStringLiteral("RM55 COM"), c), "Button3", 800, 430, 80, 25);
    Button2 =
        Place(new QPushButton(QStringLiteral("SET Baud Rate"), c), "Button2", 800, 460, 110, 25);
    hidden(Button3);
    hidden(Button2);
    RecordReportPanel = Place(new QFrame(c), "RecordReportPanel", 800, 500, 100, 40);
    hidden(RecordReportPanel);
}

void TFCOMM::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    ConnectMenu = bar->addMenu(QStringLiteral("Connect"));
    ConnectMenu->setObjectName(QStringLiteral("Connect1"));
    START1 = ConnectMenu->addAction(QStringLiteral("START"));
    START1->setObjectName(QStringLiteral("START1"));
    START1->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    START1->setShortcutContext(Qt::WindowShortcut);
    STOP1 = ConnectMenu->addAction(QStringLiteral("STOP"));
    STOP1->setObjectName(QStringLiteral("STOP1"));
    STOP1->setCheckable(true);
    START1->setCheckable(true);
    ConnectMenu->menuAction()->setVisible(false);
    // A shortcut of an action in a hidden menu only fires when the window itself holds the action.
    addAction(START1);

    bar->addMenu(QString())->setObjectName(QStringLiteral("N2"));
    RecordMenu = bar->addMenu(QStringLiteral("Record"));
    RecordMenu->setObjectName(QStringLiteral("Record1"));
    New1 = RecordMenu->addAction(QStringLiteral("New"));
    New1->setObjectName(QStringLiteral("New1"));
    Save1 = RecordMenu->addAction(QStringLiteral("Save"));
    Save1->setObjectName(QStringLiteral("Save1"));
    RecordMenu->addSeparator();
    const auto limit = [&](const char* name, const QString& caption) {
        QAction* action = RecordMenu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        return action;
    };
    N10001 = limit("N10001", QStringLiteral("1000"));
    N50001 = limit("N50001", QStringLiteral("5000"));
    N100001 = limit("N100001", QStringLiteral("10000"));
    N500001 = limit("N500001", QStringLiteral("50000"));
    N1000001 = limit("N1000001", QStringLiteral("100000"));
    limitess = limit("limitess", QStringLiteral("limitless"));
    N100001->setChecked(true);
    RecordMenu->addSeparator();
    RecentRecordings1 = RecordMenu->addAction(QStringLiteral("Recent Recordings..."));
    RecentRecordings1->setObjectName(QStringLiteral("RecentRecordings1"));
    bar->addMenu(QString())->setObjectName(QStringLiteral("N3"));
}

void TFCOMM::CreateNonVisualComponents() {
    // In this order: Data1, MainMenu1 (built above), ConTimer, Trecord, HidCtl, Comm2, cds1, the
    // dialogs, Timer1. HidCtl comes after the device list, the history and the Connect button
    // because its first device change already uses them.
    ConTimer = new QTimer(this);
    ConTimer->setObjectName(QStringLiteral("ConTimer"));
    ConTimer->setInterval(10);
    Trecord = new QTimer(this);
    Trecord->setObjectName(QStringLiteral("Trecord"));
    Trecord->setInterval(1000);
    CreateHidComponents();
    CreateSerialComponents();
    CreateRecordComponents(); // cds1 and Data1, the grid's view of it

    SaveDialog2.defaultExtension = QStringLiteral("xls");
    SaveDialog2.filter =
        QStringLiteral("Excel File(*.xls)|*.xls|XML(*.xml)|*.xml|Txt File(*.txt)|*.txt");
    SaveDialog2.confirmOverwrite = true;
    OpenDialog1.filter =
        QStringLiteral("Excel File(*.xls)|*.xls|XML (*.xml)|*.xml|Txt File(*.txt)|*.txt");
    SavePictureDialog1.defaultExtension = QStringLiteral("*.bmp");
    SavePictureDialog1.filter = QStringLiteral("Bitmaps (*.bmp)|*.bmp");
    SavePictureDialog1.confirmOverwrite = true;

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);
    CreateChartComponents();
    CreateExtraComponents();
    if (environment_.startTimers) {
        ConTimer->start();
        Trecord->start();
    }
}

void TFCOMM::BindCommandMap() {
    const auto on = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    };
    on(BitBtn1, &QPushButton::clicked, &TFCOMM::BitBtn1Click);
    on(USBCon, &QToolButton::clicked, &TFCOMM::USBConClick);
    on(START1, &QAction::triggered, &TFCOMM::USBConClick);
    on(ReadBtn, &QToolButton::clicked, &TFCOMM::ReadBtnClick);
    on(SetFeature, &QPushButton::clicked, &TFCOMM::SetFeatureClick);
    on(SendData, &QPushButton::clicked, &TFCOMM::SendDataClick);
    on(ClearBtn, &QPushButton::clicked, &TFCOMM::ClearBtnClick);
    on(Degug, &QPushButton::clicked, &TFCOMM::DegugClick);
    on(ConTimer, &QTimer::timeout, &TFCOMM::ConTimerTimer);
    on(BTCon, &QPushButton::clicked, &TFCOMM::BTCon1Click);
    on(BtDiscon, &QPushButton::clicked, &TFCOMM::BtDiscon1Click);
    on(STOP1, &QAction::triggered, &TFCOMM::BtDiscon1Click);
    on(COMCon, &QToolButton::clicked, &TFCOMM::COMConClick);
    on(Button3, &QPushButton::clicked, &TFCOMM::Button3Click);
    on(Button2, &QPushButton::clicked, &TFCOMM::Button2Click);
    on(RecordNew, &QToolButton::clicked, &TFCOMM::RecordNewClick);
    on(BtNew, &QToolButton::clicked, &TFCOMM::RecordNewClick);
    on(New1, &QAction::triggered, &TFCOMM::RecordNewClick);
    on(RecentRecordings1, &QAction::triggered, &TFCOMM::RecentRecordingsClick);
    on(N10001, &QAction::triggered, &TFCOMM::N10001Click);
    on(N50001, &QAction::triggered, &TFCOMM::N50001Click);
    on(N100001, &QAction::triggered, &TFCOMM::N100001Click);
    on(N500001, &QAction::triggered, &TFCOMM::N500001Click);
    on(N1000001, &QAction::triggered, &TFCOMM::N1000001Click);
    on(limitess, &QAction::triggered, &TFCOMM::limitessClick);
    for (QLineEdit* edit : {RecordSITime, TimeH, TimeM, TimeS, TimeInt})
        on(edit, &QLineEdit::textChanged, &TFCOMM::RecordSITimeChange);
    on(Trecord, &QTimer::timeout, &TFCOMM::TrecordTimer);
    on(RecallCheck, &QCheckBox::clicked, &TFCOMM::RecallCheckClick);
    on(OpenDataFiles, &QToolButton::clicked, &TFCOMM::SpeedButton2Click);
    on(saveas, &QToolButton::clicked, &TFCOMM::saveasClick);
    on(Save1, &QAction::triggered, &TFCOMM::saveasClick);
    on(BtPrint, &QToolButton::clicked, &TFCOMM::BtPrintClick);
    on(BtSave, &QToolButton::clicked, &TFCOMM::BtSaveClick);
    on(RHORTEMP, &QCheckBox::clicked, &TFCOMM::RHORTEMPClick);
    on(Maxrecord, &QLineEdit::textChanged, &TFCOMM::MaxrecordExit);
    on(BtFirst, &QToolButton::clicked, &TFCOMM::BtFirstClick);
    on(BTPrevious, &QToolButton::clicked, &TFCOMM::BTPreviousClick);
    on(BtNext, &QToolButton::clicked, &TFCOMM::BtNextClick);
    on(BTlast, &QToolButton::clicked, &TFCOMM::BTlastClick);
    on(Timer1, &QTimer::timeout, &TFCOMM::Timer1Timer);
    on(Setmax, &QLineEdit::textChanged, &TFCOMM::SetmaxExit);
    on(SetMaxB, &QCheckBox::clicked, &TFCOMM::SetmaxExit);
    on(SetMin, &QLineEdit::textChanged, &TFCOMM::SetMinExit);
    on(SetMinB, &QCheckBox::clicked, &TFCOMM::SetMinExit);

    connect(USBCon, &QToolButton::toggled, this, &TFCOMM::ShowLinkState);

    // Key presses, key releases, focus changes and double clicks come through the event filter.
    for (QObject* watched :
         std::initializer_list<QObject*>{RecordSITime, Maxrecord, TimeH, TimeM, TimeS, TimeInt,
                                         Setmax, SetMin, RecallCheck, CONokN})
        watched->installEventFilter(this);
}

bool TFCOMM::eventFilter(QObject* watched, QEvent* event) {
    const bool timeBox = watched == TimeH || watched == TimeM || watched == TimeS;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (timeBox)
            KeysDown.Pressed(watched, key->key());
        // Only typed characters reach the key filters; editing keys and clipboard shortcuts are
        // handled by the edit box as usual.
        const QString text = key->text();
        if (text.size() != 1 || key->matches(QKeySequence::Paste) ||
            key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
            key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Undo) ||
            key->matches(QKeySequence::Redo))
            break;
        if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
            break;
        char typed = text[0].unicode() < 0x100 ? char(text[0].unicode()) : '\x7F';
        bool guarded = true;
        if (watched == Setmax || watched == SetMin)
            guarded = RunGuarded(*dialogs_, [&] { SetmaxKeyPress(watched, typed); });
        else if (watched != RecallCheck && watched != CONokN)
            guarded = RunGuarded(*dialogs_, [&] { RecordSITimeKeyPress(watched, typed); });
        else
            break;
        return !guarded || typed == 0;
    }
    case QEvent::KeyRelease: {
        // Only the release of a key that went down in this box: the Enter that closes a message
        // box is released in the box that gets the focus back, and must not raise the message
        // again.
        auto* key = static_cast<QKeyEvent*>(event);
        if (timeBox && !key->isAutoRepeat() && KeysDown.Released(watched, key->key()))
            Guard([&] { TimeHKeyUp(watched); });
        break;
    }
    case QEvent::FocusOut: {
        if (timeBox)
            KeysDown.Forget(watched);
        // Leaving the window (a message box opening, another program) is not leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            break;
        if (watched == RecallCheck)
            Guard([&] { RecallCheckExit(); });
        else if (watched == Maxrecord)
            Guard([&] { MaxrecordLeave(); });
        break;
    }
    case QEvent::MouseButtonDblClick:
        if (watched == CONokN)
            Guard([&] { CONokNDblClick(); });
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

QByteArray TFCOMM::GetDecimalSep() {
    return environment_.decimalSepQuery ? environment_.decimalSepQuery() : QueryDecimalSeparator();
}

void TFCOMM::FormCreate() {
    DecimalSep = GetDecimalSep();
    ChartStartup();
    resize(width(), height()); // the height is fixed by the constructor
    Memo1->hide();
    B2400->hide();
    B4800->hide();
    B9600->hide();
    RecordsStartup();
    State.RecordNo = 1;
    State.RecordLimit = 10000;
    if (IFQV210->isChecked()) {
        SerialStartup();
        setWindowTitle(QStringLiteral("RX47 Interface Program V2.01"));
    }
    ChartRangeStartup();
    ShowLinkState();
    // After the window is up: the question about a recording left behind needs a shown window.
    QTimer::singleShot(0, this, [this] { Guard([this] { JournalStartup(); }); });
}

void TFCOMM::FormResize() {}

void TFCOMM::BitBtn1Click() {
    // Unsaved records are lost without a question; nothing persists between runs.
    close();
    QApplication::quit();
}

void TFCOMM::SetmaxExit() {
    StrToIntOrZero(QStringToAnsi(Setmax->text()));
    AlarmLimitsChanged();
}

void TFCOMM::SetMinExit() {
    StrToIntOrZero(QStringToAnsi(SetMin->text()));
    AlarmLimitsChanged();
}

void TFCOMM::ShowReadout() {
    LcdD3->SetCaption(Readout.LcdD3);
    LcdD2->SetCaption(Readout.LcdD2);
    LcdD1->SetCaption(Readout.LcdD1);
    LcdFH->SetCaption(Readout.LcdFH);
    LcdDT3->SetCaption(Readout.LcdDT3);
    LcdDT2->SetCaption(Readout.LcdDT2);
    LcdDT1->SetCaption(Readout.LcdDT1);
    LCDC->SetCaption(Readout.LCDC);
    LCDDEW->setText(AnsiToQString(Readout.LCDDEW));
    LCDTime->setText(AnsiToQString(Readout.LCDTime));
    USBtxt->setText(AnsiToQString(Readout.USBtxt));
    USBtxt1->setText(AnsiToQString(Readout.USBtxt1));
    LcdP1->setVisible(Readout.LcdP1Visible);
    LcdP2->setVisible(Readout.LcdP2Visible);
    CONok->setVisible(Readout.CONokVisible);
    CONokN->setVisible(Readout.CONokNVisible);
}

bool TFCOMM::LinkUp() const {
    return USBCon->isChecked() || Comm2->Connected();
}

void TFCOMM::ShowLinkState() {
    // Once the link is down the last reading stays on the readout, greyed, so that an old value
    // never looks live.
    const QColor ink = LinkUp() ? kLiveInk : kStaleInk;
    for (TGlyphLabel* label :
         {LcdD3, LcdD2, LcdD1, LcdTimeT, LcdFH, LcdDT3, LcdDT2, LcdDT1, LCDC, LcdTX}) {
        if (label->Style().ink != ink) {
            label->Style().ink = ink;
            label->update();
        }
    }
    for (QWidget* text : {static_cast<QWidget*>(LCDDEW), static_cast<QWidget*>(LCDTime)}) {
        QPalette palette = text->palette();
        palette.setColor(QPalette::WindowText, ink);
        text->setPalette(palette);
    }
    for (QFrame* point : {LcdP1, LcdP2}) {
        QPalette palette = point->palette();
        palette.setColor(QPalette::Window, ink);
        point->setPalette(palette);
    }
}
