#include "app/TPrintPreview.h"

#include "app/QtUserDialogs.h"
#include "app/WindowArt.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>

using namespace ReportLayout;

namespace {
constexpr int kPad = 12; // grey border around the paper
constexpr int kShadow = 3;
} // namespace

// The current page at the current zoom, drawn into an image when it is first needed.
class TPrintPreview::TPageView : public QWidget {
public:
    explicit TPageView(TPrintPreview& preview) : preview_(preview) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    QSize PaperSize() const {
        const double ppm = preview_.PixelsPerMm();
        return {int(std::lround(kPageWidth * ppm)), int(std::lround(kPageHeight * ppm))};
    }
    void Refresh() {
        cache_ = QImage();
        setFixedSize(PaperSize() + QSize(2 * kPad + kShadow, 2 * kPad + kShadow));
        update();
    }
    const QImage& PageImage() {
        const double dpr = devicePixelRatioF();
        const QSize size = PaperSize() * dpr;
        if (cache_.size() != size) {
            cache_ = QImage(size, QImage::Format_RGB32);
            cache_.setDevicePixelRatio(dpr);
            QPainter painter(&cache_);
            preview_.report_->RenderPaper(painter, preview_.page_, QRectF(QPointF(), PaperSize()));
        }
        return cache_;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Dark));
        if (preview_.report_->PageCount() == 0)
            return;
        const QRect paper(QPoint(kPad, kPad), PaperSize());
        painter.fillRect(paper.translated(kShadow, kShadow), QColor(0, 0, 0, 90));
        painter.drawImage(paper.topLeft(), PageImage());
    }

private:
    TPrintPreview& preview_;
    QImage cache_;
};

TPrintPreview::TPrintPreview(std::unique_ptr<TRecordReport> report, IUserDialogs* dialogs,
                             QWidget* parent)
    : QMainWindow(parent), report_(std::move(report)),
      // A dialog of the main window would open behind the preview.
      ownDialogs_(dialogs ? nullptr : std::make_unique<TQtUserDialogs>(this)),
      dialogs_(dialogs ? *dialogs : *ownDialogs_) {
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Print Preview"));
    scroller_ = new QScrollArea(this);
    scroller_->setObjectName(QStringLiteral("PreviewScroller"));
    scroller_->setAlignment(Qt::AlignCenter);
    scroller_->setBackgroundRole(QPalette::Dark);
    view_ = new TPageView(*this);
    scroller_->setWidget(view_);
    scroller_->viewport()->installEventFilter(this);
    if (parent)
        parent->installEventFilter(this); // the preview goes when the main window goes
    setCentralWidget(scroller_);
    BuildToolBar();
    // Most of a page at a readable size, and never larger than the screen.
    QSize size(860, 980);
    if (const QScreen* s = screen())
        size = size.boundedTo(s->availableSize() * 0.9);
    resize(size);
    Relayout();
    UpdateCommands();
}

TPrintPreview::~TPrintPreview() = default;

void TPrintPreview::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Preview"));
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const auto command = [&](const char* name, const QString& text, const QString& tip,
                             const QIcon& icon, const QKeySequence& key, auto handler) {
        QAction* action = bar->addAction(icon, text);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(tip);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    ZoomFitAction = command("ZoomFit", QStringLiteral("Fit"), QStringLiteral("Zoom to fit"), {},
                            Qt::CTRL | Qt::Key_0, [this] { SetZoom(TZoom::Fit); });
    ZoomActualAction = command("ZoomActual", QStringLiteral("100 %"), QStringLiteral("100 %"), {},
                               Qt::CTRL | Qt::Key_1, [this] { SetZoom(TZoom::Actual); });
    ZoomWidthAction = command("ZoomWidth", QStringLiteral("Width"), QStringLiteral("Zoom to width"),
                              {}, Qt::CTRL | Qt::Key_2, [this] { SetZoom(TZoom::Width); });
    for (QAction* zoom : {ZoomFitAction, ZoomActualAction, ZoomWidthAction})
        zoom->setCheckable(true);
    bar->addSeparator();
    FirstPageAction =
        command("FirstPage", QString(), QStringLiteral("First page"),
                DrawToolIcon(TToolIcon::First), Qt::CTRL | Qt::Key_Home, [this] { ShowPage(0); });
    PreviousPageAction =
        command("PreviousPage", QString(), QStringLiteral("Previous page"),
                DrawToolIcon(TToolIcon::Previous), Qt::Key_PageUp, [this] { ShowPage(page_ - 1); });
    PageLabel = new QLabel(bar);
    PageLabel->setObjectName(QStringLiteral("PageLabel"));
    PageLabel->setAlignment(Qt::AlignCenter);
    PageLabel->setMinimumWidth(110);
    bar->addWidget(PageLabel);
    NextPageAction =
        command("NextPage", QString(), QStringLiteral("Next page"), DrawToolIcon(TToolIcon::Next),
                Qt::Key_PageDown, [this] { ShowPage(page_ + 1); });
    LastPageAction =
        command("LastPage", QString(), QStringLiteral("Last page"), DrawToolIcon(TToolIcon::Last),
                Qt::CTRL | Qt::Key_End, [this] { ShowPage(report_->PageCount() - 1); });
    bar->addSeparator();
    PrinterSetupAction =
        command("PrinterSetup", QStringLiteral("Printer Setup"), QStringLiteral("Printer setup"),
                {}, {}, [this] { PrinterSetup(); });
    PrintAction =
        command("Print", QStringLiteral("Print"), QStringLiteral("Print"),
                DrawToolIcon(TToolIcon::Print), QKeySequence::Print, [this] { PrintReport(); });
    SaveReportAction =
        command("SaveReport", QStringLiteral("Save"), QStringLiteral("Save the report as PDF"),
                DrawToolIcon(TToolIcon::Save), QKeySequence::Save, [this] { SaveReport(); });
    OpenReportAction =
        command("OpenReport", QStringLiteral("Open"),
                QStringLiteral("Open a saved report in the PDF viewer"),
                DrawToolIcon(TToolIcon::Open), QKeySequence::Open, [this] { OpenReport(); });
    bar->addSeparator();
    CloseAction = command("ClosePreview", QStringLiteral("Close"), QStringLiteral("Close"),
                          DrawToolIcon(TToolIcon::CloseData), Qt::Key_Escape, [this] { close(); });
}

double TPrintPreview::PixelsPerMm() const {
    const QSize room =
        scroller_->viewport()->size() - QSize(2 * kPad + kShadow, 2 * kPad + kShadow);
    switch (zoom_) {
    case TZoom::Actual:
        return logicalDpiX() / 25.4;
    case TZoom::Width:
        return std::max(1.0, room.width() / kPageWidth);
    case TZoom::Fit:
        break;
    }
    return std::max(0.5, std::min(room.width() / kPageWidth, room.height() / kPageHeight));
}

QWidget* TPrintPreview::PageView() const {
    return view_;
}

void TPrintPreview::ShowPage(int page) {
    const int last = report_->PageCount() - 1;
    page = std::clamp(page, 0, std::max(last, 0));
    if (page != page_) {
        page_ = page;
        view_->Refresh();
        scroller_->verticalScrollBar()->setValue(0);
    }
    UpdateCommands();
}

void TPrintPreview::SetZoom(TZoom zoom) {
    zoom_ = zoom;
    Relayout();
    UpdateCommands();
}

void TPrintPreview::Relayout() {
    view_->Refresh();
}

void TPrintPreview::UpdateCommands() {
    const int pages = report_->PageCount();
    PageLabel->setText(pages == 0 ? QStringLiteral("No pages")
                                  : QStringLiteral("Page %1 of %2").arg(page_ + 1).arg(pages));
    FirstPageAction->setEnabled(page_ > 0);
    PreviousPageAction->setEnabled(page_ > 0);
    NextPageAction->setEnabled(page_ + 1 < pages);
    LastPageAction->setEnabled(page_ + 1 < pages);
    PrintAction->setEnabled(pages > 0);
    SaveReportAction->setEnabled(pages > 0);
    ZoomFitAction->setChecked(zoom_ == TZoom::Fit);
    ZoomActualAction->setChecked(zoom_ == TZoom::Actual);
    ZoomWidthAction->setChecked(zoom_ == TZoom::Width);
}

bool TPrintPreview::eventFilter(QObject* watched, QEvent* event) {
    // A hide that is no minimizing: the main window has closed.
    if (watched == parent() && event->type() == QEvent::Hide && !event->spontaneous()) {
        close();
        return false;
    }
    // Fit and width follow the window's size.
    if (watched == scroller_->viewport() && event->type() == QEvent::Resize &&
        zoom_ != TZoom::Actual)
        Relayout();
    return QMainWindow::eventFilter(watched, event);
}

void TPrintPreview::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted() && !closed_) {
        closed_ = true;
        emit Closed();
    }
}

QPrinter& TPrintPreview::Printer() {
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setPageLayout(TRecordReport::PageLayout());
        printer_->setCopyCount(1);
        printer_->setDuplex(QPrinter::DuplexNone);
        printer_->setPrintRange(QPrinter::AllPages);
        printer_->setPaperSource(QPrinter::OnlyOne); // the first paper bin
        printer_->setDocName(QStringLiteral("The Data Print Title"));
    }
    return *printer_;
}

void TPrintPreview::PrinterSetup() {
    QPrintDialog dialog(&Printer(), this);
    dialog.setWindowTitle(QStringLiteral("Printer Setup"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    // The dialog only chooses the printer and its settings: its button must not promise a print.
    for (QDialogButtonBox* buttons : dialog.findChildren<QDialogButtonBox*>()) {
        if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    }
    dialog.exec(); // the choice of printer is kept for the next print
}

void TPrintPreview::PrintReport() {
    const int pages = report_->PageCount();
    if (pages == 0)
        return;
    QPrinter& printer = Printer();
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = 0, last = pages - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        first = printer.fromPage() - 1;
        last = printer.toPage() - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = page_;
    }
    if (!report_->Print(printer, first, last))
        dialogs_.ShowMessage(QStringLiteral("The report could not be printed on \"%1\".")
                                 .arg(printer.printerName().isEmpty() ? printer.outputFileName()
                                                                      : printer.printerName()),
                             TMessageIcon::Error, QStringLiteral("Error"));
}

std::optional<QString> TPrintPreview::SaveReportAs(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("The Data Print Title"));
        writer.setCreator(QStringLiteral("RX47 Interface Program V2.01"));
        if (!report_->Print(writer)) {
            file.cancelWriting();
            return QStringLiteral("The report could not be drawn.");
        }
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

void TPrintPreview::SaveReport() {
    if (report_->PageCount() == 0)
        return;
    TFileDialogRequest request;
    request.caption = QStringLiteral("Save Report");
    request.filter = QStringLiteral("PDF Files (*.pdf)|*.pdf");
    request.defaultExtension = QStringLiteral("pdf");
    request.confirmOverwrite = true;
    const std::optional<QString> name = dialogs_.AskSaveFileName(request);
    if (!name)
        return;
    if (const auto error = SaveReportAs(*name)) {
        dialogs_.ShowMessage(QStringLiteral("Cannot create file \"%1\". %2").arg(*name, *error),
                             TMessageIcon::Information);
        return;
    }
    dialogs_.ShowMessage(
        QStringLiteral("The report was saved as %1").arg(QDir::toNativeSeparators(*name)),
        TMessageIcon::Information);
}

void TPrintPreview::OpenReport() {
    TFileDialogRequest request;
    request.caption = QStringLiteral("Open Report");
    request.filter = QStringLiteral("PDF Files (*.pdf)|*.pdf");
    if (const std::optional<QString> name = dialogs_.AskOpenFileName(request))
        OpenInViewer(*name);
}

void TPrintPreview::OpenInViewer(const QString& path) {
    // The opener runs on its own; when it cannot start or no viewer takes the file, the user
    // hears of it instead of waiting for a viewer that never comes.
    // Not a child of the preview: closing the preview must not kill a viewer being started.
    auto* opener = new QProcess;
    QPointer<TPrintPreview> preview(this);
    ++openersRunning_;
    const auto done = [opener, preview, path](bool opened) {
        opener->deleteLater();
        if (!preview)
            return;
        --preview->openersRunning_;
        if (!opened)
            preview->dialogs_.ShowMessage(
                QStringLiteral("No PDF viewer could open %1").arg(QDir::toNativeSeparators(path)),
                TMessageIcon::Information);
    };
    connect(opener, &QProcess::errorOccurred, opener, [done](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            done(false); // a crash or a kill ends in finished() too
    });
    connect(opener, &QProcess::finished, opener, [done](int exitCode, QProcess::ExitStatus status) {
        done(status == QProcess::NormalExit && exitCode == 0);
    });
    opener->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    opener->start(PdfOpener, PdfOpenerArguments + QStringList{path});
}
