#pragma once
// The print preview window "Print Preview" of the record report. It shows one page at a time,
// drawn when it is needed, with zoom (to fit, 100 %, to width), paging (first, previous, next,
// last), printer setup, print, saving the report as PDF, opening a saved PDF in the desktop's
// viewer, and close. It is a window of its own: the main window keeps running while it shows.

#include "app/UserDialogs.h"
#include "display/RecordReport.h"

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QPrinter;
class QScrollArea;

class TPrintPreview : public QMainWindow {
    Q_OBJECT
public:
    enum class TZoom { Fit, Actual, Width };

    // dialogs null: the preview's own message boxes and file dialogs, in front of it.
    TPrintPreview(std::unique_ptr<TRecordReport> report, IUserDialogs* dialogs,
                  QWidget* parent = nullptr);
    ~TPrintPreview() override;

    const TRecordReport& Report() const { return *report_; }
    int CurrentPage() const { return page_; } // from 0
    TZoom Zoom() const { return zoom_; }
    // Screen pixels per millimetre of paper at the current zoom.
    double PixelsPerMm() const;
    QWidget* PageView() const;
    QScrollArea* Scroller() const { return scroller_; }

    void ShowPage(int page);
    void SetZoom(TZoom zoom);
    // Writes the report as PDF to path, safely (an existing file survives a failure); the error
    // text on failure.
    std::optional<QString> SaveReportAs(const QString& path) const;

    QAction *ZoomFitAction = nullptr, *ZoomActualAction = nullptr, *ZoomWidthAction = nullptr;
    QAction *FirstPageAction = nullptr, *PreviousPageAction = nullptr, *NextPageAction = nullptr,
            *LastPageAction = nullptr;
    QAction *PrinterSetupAction = nullptr, *PrintAction = nullptr, *SaveReportAction = nullptr,
            *OpenReportAction = nullptr, *CloseAction = nullptr;
    QLabel* PageLabel = nullptr;
    // The program that opens a saved report in the desktop's PDF viewer, and its arguments
    // before the file name. It must exit with 0 when a viewer took the file (xdg-open does).
    QString PdfOpener = QStringLiteral("xdg-open");
    QStringList PdfOpenerArguments;
    // Openers started and not yet ended.
    int OpenersRunning() const { return openersRunning_; }

signals:
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TPageView;

    void BuildToolBar();
    void UpdateCommands();
    void Relayout();
    QPrinter& Printer();
    void PrinterSetup();
    void PrintReport();
    void SaveReport();
    void OpenReport();
    void OpenInViewer(const QString& path);

    std::unique_ptr<TRecordReport> report_;
    std::unique_ptr<IUserDialogs> ownDialogs_;
    IUserDialogs& dialogs_;
    std::unique_ptr<QPrinter> printer_; // made on first use: finding printers takes a while
    QScrollArea* scroller_ = nullptr;
    TPageView* view_ = nullptr;
    int page_ = 0;
    TZoom zoom_ = TZoom::Fit;
    bool closed_ = false;
    int openersRunning_ = 0;
};
