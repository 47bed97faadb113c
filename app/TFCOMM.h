#pragma once
// The program's one window. It owns every component: the controls (each carries its name as its
// object name), the menu, the timers, the HID controller HidCtl, the serial port Comm2, the record
// table cds1 and the chart controller Chart. Handlers are named after the control and the event;
// those of the link, recording, file and chart areas live in files of their own beside this one
// (FComm*.cpp). Everything here runs on the event thread.

#include "app/KeysDown.h"
#include "app/UserDialogs.h"
#include "base/ProgramState.h"
#include "link/Readout.h"
#include "link/UsbLink.h"

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAbstractTableModel;
class QAction;
class QCheckBox;
class QChartView;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTableView;
class QTimer;
class QToolButton;
class TGlyphLabel;

class IHidPlatform;
class THidDevice;
class THidDeviceController;
class TCommPortDriver;
class TRecordTable;
class TChartControl;
class TAlarmMonitor;
class TAlarmLines;
class TReadingStatistics;
enum class TQuantity;
enum class TJournalEnd;

// What the window is built on; tests swap in their own pieces.
struct TFCOMMEnvironment {
    IUserDialogs* dialogs = nullptr;           // null: the real Qt dialogs
    IHidPlatform* hidPlatform = nullptr;       // null: the machine's HID platform
    QByteArray (*decimalSepQuery)() = nullptr; // null: the environment's locale
    bool startTimers = true;                   // tests drive the timer handlers by hand
    // Says an alarm to the user; null: a desktop notification, else the window's caption.
    std::function<void(const QString&)> alarmNotify;
    QString journalFolder; // empty: the user's state folder ($XDG_STATE_HOME/rx47)
};

class TFCOMM : public QMainWindow, private IUsbLinkHost {
    Q_OBJECT
public:
    explicit TFCOMM(const TFCOMMEnvironment& environment = {}, QWidget* parent = nullptr);
    ~TFCOMM() override;

    IUserDialogs& Dialogs() { return *dialogs_; }
    // Runs a handler; an error it raises is shown in one message box (see HandlerGuard.h).
    template <class F> void Guard(F&& handler);

    // ---- Program state (shared by the link, the decoder, the records and the chart) ----------
    TProgramState State;
    QByteArray DecimalSep;
    THidDevice* CurrentDevice = nullptr; // not owned
    TReadout Readout;                    // what the LCD readout shows
    // The USB link's steps in their order; the window hosts them (IUsbLinkHost, FCommUsb.cpp).
    TUsbLink UsbLink{*this, State, Readout};

    // ---- Visible controls --------------------------------------------------------------------
    QScrollArea* ClientArea = nullptr;
    QWidget* Client = nullptr;
    QToolButton* USBCon = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QLabel* StateLine = nullptr; // a short line on what the window did last ("3 records opened")
    QFrame* Panel1 = nullptr;
    TGlyphLabel *LcdD3 = nullptr, *LcdD2 = nullptr, *LcdD1 = nullptr;
    QFrame* LcdP1 = nullptr;
    TGlyphLabel* LcdTimeT = nullptr;
    TGlyphLabel* LcdFH = nullptr;
    TGlyphLabel *LcdDT3 = nullptr, *LcdDT2 = nullptr, *LcdDT1 = nullptr;
    QFrame* LcdP2 = nullptr;
    TGlyphLabel* LCDC = nullptr;
    QLabel* LCDDEW = nullptr;
    TGlyphLabel* LcdTX = nullptr;
    QLabel* LCDTime = nullptr;
    QCheckBox* RepeatSet = nullptr;
    QCheckBox* RecordSI = nullptr;
    QLineEdit* RecordSITime = nullptr;
    QToolButton *RecordNew = nullptr, *OpenDataFiles = nullptr, *saveas = nullptr,
                *BtPrint = nullptr;
    QTableView* DBGrid1 = nullptr;
    QChartView* Chtshow = nullptr;
    QLabel *CONokN = nullptr, *CONok = nullptr;
    QCheckBox* RHORTEMP = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QToolButton *BtNew = nullptr, *BtSave = nullptr, *BtFirst = nullptr, *BTPrevious = nullptr,
                *Bt10 = nullptr, *BtNext = nullptr, *BTlast = nullptr;
    QListWidget* ListBox1 = nullptr;

    // ---- Beyond the visible area (reached by scrolling) --------------------------------------
    QPushButton* ClearBtn = nullptr;
    QPushButton* SendData = nullptr;
    QPushButton* BTCon = nullptr;
    QFrame* Panel2 = nullptr;
    QCheckBox* RecallCheck = nullptr;
    QLineEdit *TimeH = nullptr, *TimeM = nullptr, *TimeS = nullptr, *TimeInt = nullptr;
    QFrame* Panel3 = nullptr;
    QLabel *MinText = nullptr, *MaxText = nullptr;
    QCheckBox *SetMaxB = nullptr, *SetMinB = nullptr;
    QLineEdit *Setmax = nullptr, *SetMin = nullptr;
    QPushButton* Degug = nullptr;
    QListWidget* HistoryListBox = nullptr;

    // ---- Hidden controls ---------------------------------------------------------------------
    QToolButton* ReadBtn = nullptr;
    QPushButton* SetFeature = nullptr;
    QListWidget* DevListBox = nullptr;
    QLabel *USBtxt = nullptr, *USBtxt1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QCheckBox *B2400 = nullptr, *B4800 = nullptr, *B9600 = nullptr;
    QCheckBox* IFQV210 = nullptr;
    QPushButton* BtDiscon = nullptr;
    QPushButton *BtCOM1 = nullptr, *BtCOM2 = nullptr, *BtCOM3 = nullptr, *BtCOM4 = nullptr;
    QToolButton* COMCon = nullptr;
    QPushButton *Button3 = nullptr, *Button2 = nullptr;
    QFrame* RecordReportPanel = nullptr;

    // ---- Menu --------------------------------------------------------------------------------
    QMenu* ConnectMenu = nullptr; // "Connect", hidden
    QAction *START1 = nullptr, *STOP1 = nullptr;
    QMenu* RecordMenu = nullptr;
    QAction *New1 = nullptr, *Save1 = nullptr;
    QAction *N10001 = nullptr, *N50001 = nullptr, *N100001 = nullptr, *N500001 = nullptr,
            *N1000001 = nullptr, *limitess = nullptr;

    // ---- Timers and dialogs ------------------------------------------------------------------
    QTimer *ConTimer = nullptr, *Trecord = nullptr, *Timer1 = nullptr;
    TFileDialogRequest SaveDialog2, OpenDialog1, SavePictureDialog1;

    // ---- Non-visual components ---------------------------------------------------------------
    QAbstractTableModel* Data1 = nullptr; // the grid's view of cds1
    std::unique_ptr<THidDeviceController> HidCtl;
    std::unique_ptr<TCommPortDriver> Comm2;
    std::unique_ptr<TRecordTable> cds1;
    std::unique_ptr<TChartControl> Chart;

    // ---- Shell (start-up, shutdown, limits) --------------------------------------------------
    void FormCreate();
    void FormResize();
    void BitBtn1Click();
    QByteArray GetDecimalSep();
    void SetmaxExit();
    void SetMinExit();
    // Copies Readout onto the readout labels and the link images.
    void ShowReadout();
    // Whether a link (USB or serial) is up: the readout's last reading is drawn live or greyed.
    bool LinkUp() const;
    void ShowLinkState();

    // ---- Frame decoding (FCommDecode.cpp) ----------------------------------------------------
    void LcdDisplay55(int unused);

    // ---- USB link (FCommUsb.cpp) -------------------------------------------------------------
    void CreateHidComponents();
    void USBConClick();
    void SendUSBData(uint8_t command);
    void SetFeatureClick();
    void ReadBtnClick();
    bool HidCtlEnumerate(THidDevice* hidDev, int32_t idx);
    void HidCtlDeviceChange();
    void HidCtlArrival(THidDevice* hidDev);
    void HidCtlRemoval(THidDevice* hidDev);
    void HidCtlDeviceDataError(THidDevice* hidDev, uint32_t error);
    void ConTimerTimer();
    void SendDataClick();
    void DegugClick();
    void CONokNDblClick();
    void ClearBtnClick();
    QString DeviceCaption(THidDevice* hidDev);
    void USBRData(THidDevice* hidDev, uint8_t reportID, const uint8_t* data, uint16_t size);

    // The checked-out device object of each DevListBox line, in line order (null when the
    // check-out failed). The window owns them; they are released before the rest of the window
    // goes, and deliveries that arrive while they are released are dropped.
    class TDeviceSlots {
    public:
        ~TDeviceSlots();
        void Release();
        std::vector<std::unique_ptr<THidDevice>> devices;
        bool releasing = false;
        uint64_t generation = 0; // rises with every release: older device pointers are stale
    };
    TDeviceSlots DevListObjects;
    // The device of the selected DevListBox line, or null.
    THidDevice* SelectedDevice() const;
    bool IsListedDevice(const THidDevice* device) const;
    // Stops the reader of a listed device; inside a delivery the stop waits until the delivery
    // has returned.
    void RequestReaderStop(THidDevice* device);
    void AddHistoryLine(const QString& line);
    int UsbDeliveryDepth = 0; // HID deliveries running on the event thread (nested ones count)

private:
    QByteArray reportedIntervalText_; // a bad RecordSITime text already reported
    void SelectCurrentDevice();
    // The hint on a cable that cannot be opened for lack of permission, once per run.
    void ShowAccessHintOnce();
    bool accessHintShown_ = false;
    void PostDeferredLinkWork();
    void RunDeferredLinkWork();
    std::vector<std::pair<THidDevice*, uint64_t>> pendingReaderStops_;
    bool deviceChangePending_ = false;
    bool deferredWorkPosted_ = false;

    // IUsbLinkHost: the selected DevListBox line, USBCon, the history, the trace list, the
    // readout and the message boxes.
    THidDevice* SelectLinkDevice() override;
    THidDevice* LinkDevice() override { return CurrentDevice; }
    void StopSelectedReader() override { ReadBtnClick(); }
    void StartReader(THidDevice& device) override;
    void StopReader(THidDevice* device) override { RequestReaderStop(device); }
    uint32_t LineBaudRate() override;
    void ReleaseLink() override;
    void ShowMessage(const QString& text) override;
    void DecodeFailed(const QString& message) override;
    bool UseFrame() override;
    void ReportSent(const QByteArray& trace) override;
    void PayloadReceived(const QByteArray& trace) override;
    void FrameClosed() override;
    void FrameCleared() override;
    void LinkImagesChanged() override { ShowReadout(); }

public:
    // ---- Serial link (FCommSerial.cpp) -------------------------------------------------------
    void CreateSerialComponents();
    void SerialStartup();
    void H55RData(TCommPortDriver* sender, const uint8_t* dataPtr, int32_t dataSize);
    void BTCon1Click();
    void BtDiscon1Click();
    void COMConClick();
    void Button3Click();
    void Button2Click();
    // Connects Comm2; a port that does not open is said in a message box ("Cannot open COM2: ...").
    bool OpenSerialPort();
    QByteArray SerialDigits;
    // An accepted serial frame's nine data digits as a reading through the frame decoder.
    void ShowSerialReading(const QByteArray& digits);

    // ---- Records and logging policy (FCommRecords.cpp) ---------------------------------------
    void CreateRecordComponents();
    void RecordsStartup();
    void INDataToTable();
    void RecordNewClick();
    void N10001Click();
    void N50001Click();
    void N100001Click();
    void N500001Click();
    void N1000001Click();
    void limitessClick();
    void TrecordTimer();
    void RecordSITimeChange();
    // Key filters: key is the typed character; set it to 0 to discard the key press.
    void RecordSITimeKeyPress(QObject* sender, char& key);
    void SetmaxKeyPress(QObject* sender, char& key);
    void ClearRecords();
    void RHORTEMPClick();
    QByteArray LastRecordKey;
    int32_t SampleCountdown = 0;
    // The last text of RecordSITime that was a number: the interval recording uses.
    QByteArray IntervalInUse = "10";

    // ---- Recording journal (FCommJournal.cpp) ------------------------------------------------
    // Every record appended here also goes to the journal of the table's current life.
    std::unique_ptr<class TRecordJournal> Journal;
    QAction* RecentRecordings1 = nullptr; // "Record" menu: "Recent Recordings..."
    void JournalStartup(); // the journal of the first life; offers a recording left behind
    void JournalRecord(const struct TRecord& record);
    void JournalNextLife(TJournalEnd how); // before the table is cleared by New or the switch
    void RestoreRecording(const struct TJournalEntry& entry);
    void RecentRecordingsClick();
    // Owns Data1; declared after cds1 so the grid's model goes before the table it watches.
    std::unique_ptr<QAbstractTableModel> RecordsModel;
    // Makes the newest record the grid's current row and scrolls to it.
    void FollowNewestRecord();
    // The grid follows new records (FollowNewest) at most every kFollowPeriodMs: at tens of
    // thousands of readings a second (a replay, a fast cable) following each one would cost more
    // than the reading itself, and nobody can see more than a few screen updates a second.
    static constexpr int kFollowPeriodMs = 40;
    std::unique_ptr<class TPacedAction> FollowNewest;

    // ---- Recall start-time panel (FCommRecall.cpp) -------------------------------------------
    void RecallCheckClick();
    void RecallCheckExit();
    void TimeHKeyUp(QObject* sender);
    TKeysDown KeysDown; // keys pressed in TimeH, TimeM and TimeS, for their key-up handler

    // ---- Data files (FCommFiles.cpp) ---------------------------------------------------------
    void saveasClick();
    void SpeedButton2Click();
    // Says in StateLine how many records an open brought, and shows the first of them.
    void ShowOpenedRecords(bool complete, int64_t firstOpened);

    // ---- Printing and chart picture (FCommPrint.cpp) -----------------------------------------
    void BtPrintClick();
    void BtSaveClick();
    // Opens the preview of cds1 with the grid frozen until it closes; false (and nothing opened)
    // while one is showing. BtPrintClick then waits for it to close, handling the window's events
    // meanwhile, unless PrintPreviewWaits is false (tests).
    bool OpenPrintPreview();
    void PrintPreviewClosed();
    // Draws the chart into an image of the chart's size, as on screen (no overlaid controls).
    QImage ChartPicture();
    class TPrintPreview* PrintPreview = nullptr; // the open preview, owned as a child window
    bool PrintPreviewWaits = true;

    // ---- Trend chart (FCommChart.cpp) --------------------------------------------------------
    void CreateChartComponents();
    void ChartStartup();
    void ChartRangeStartup();
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    void MaxrecordExit();
    // Focus left Maxrecord: an empty or refused width gives way to the chart's width again.
    void MaxrecordLeave();
    void Timer1Timer();
    void ChtshowResize();
    // Draws Chtshow with Qt Charts; Chart drives it. Declared after Chart, so it goes first.
    std::shared_ptr<class TQtChartAdapter> ChartView;

    // ---- Additions beside the described window (FCommAlarms.cpp, FCommExport.cpp,
    // FCommChartTools.cpp): alarm limits on the limits panel, CSV export, statistics, a fitted
    // vertical range and an overview of the whole recording. Shown only when asked for, or when
    // an alarm fires. The "Record" menu gets its items after the described ones.
    void CreateExtraComponents();
    QAction *ExportCsv1 = nullptr, *AlarmLimits1 = nullptr, *Statistics1 = nullptr;
    // The grid header's context menu (FCommGridColumns.cpp): show or hide "Received".
    QMenu* GridColumnsMenu = nullptr;
    QAction* ShowReceived1 = nullptr;
    void CreateGridColumnsMenu();
    QToolButton *BtFit = nullptr, *BtOverview = nullptr;
    QLabel* StatisticsLine = nullptr;
    std::unique_ptr<TAlarmMonitor> Alarm;
    std::unique_ptr<TAlarmLines> AlarmLines;
    std::unique_ptr<TReadingStatistics> Statistics;
    std::unique_ptr<class TPacedAction> StatisticsPaced;
    TQuantity PlottedQuantity() const;
    void ExportCsvClick();
    void AlarmLimits1Click();
    void Statistics1Click();
    void BtFitClick();
    void BtOverviewClick();
    // Takes the limits from the panel (after SetmaxExit or SetMinExit converted them).
    void AlarmLimitsChanged();
    // The reading just decoded, judged against the limits (readout colour, notification).
    void AlarmReading(bool notify = true);
    // The plotted quantity changed: the readout's reading of it is judged afresh, silently.
    void AlarmReset();
    void ShowStatistics();
    QString AlarmCaption; // what the caption adds while an alarm is told there

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildVisibleArea();
    void BuildOutsideArea();
    void BuildHiddenControls();
    void BuildMenu();
    void CreateNonVisualComponents();
    void BindCommandMap();

    TFCOMMEnvironment environment_;
    std::unique_ptr<IUserDialogs> ownDialogs_;
    IUserDialogs* dialogs_ = nullptr;
};

#include "app/HandlerGuard.h"

template <class F> void TFCOMM::Guard(F&& handler) {
    RunGuarded(*dialogs_, std::forward<F>(handler));
}
