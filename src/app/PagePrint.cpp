#include "app/PagePrint.h"

#include "engines/WebBrowser2.h"
#include "platform/AtomicFile.h"
#include "platform/Errors.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

namespace PagePrint {

namespace {

constexpr int MaxDrawDpi = 300;

bool printsToFile(const QPrinter& printer) {
    return printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
}

}  // namespace

bool drawPdf(const QString& pdfPath, QPrinter& printer, QString* error) {
    QPdfDocument document;
    if (document.load(pdfPath) != QPdfDocument::Error::None || document.pageCount() < 1) {
        if (error) *error = QStringLiteral("印刷用のデータを読めませんでした。");
        return false;
    }
    int first = 0, last = document.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::min(printer.fromPage() - 1, last);
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() - 1 : last, first, last);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) *error = QStringLiteral("プリンタ %1 を使えませんでした。").arg(printer.printerName());
        return false;
    }
    const int dpi = std::min(printer.resolution(), MaxDrawDpi);
    for (int page = first; page <= last; ++page) {
        if (page != first) printer.newPage();
        const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
        const QSizeF points = document.pagePointSize(page);
        if (points.isEmpty()) continue;
        // The page keeps its proportions and fills the printable area as far as it can.
        const QSizeF fitted = points.scaled(area.size(), Qt::KeepAspectRatio);
        const QSize pixels = (points * dpi / 72.0).toSize();
        const QImage picture = document.render(page, pixels);
        const QRectF target(QPointF(0, 0), fitted);
        painter.drawImage(target, picture);
    }
    return painter.end();
}

Job::Job(WebBrowser2& engine, std::shared_ptr<QPrinter> printer, QObject* parent)
    : QObject(parent), engine_(&engine), events_(&engine.events()), printer_(std::move(printer)) {
    timeout_.setSingleShot(true);
    timeout_.setInterval(EngineTimeoutMs);
    connect(&timeout_, &QTimer::timeout, this,
            [this] { finish(false, QStringLiteral("ページの印刷用データが時間内に届きませんでした。")); });
}

Job::~Job() = default;

QString Job::target() const {
    return printsToFile(*printer_) ? QFileInfo(printer_->outputFileName()).absoluteFilePath() : printer_->printerName();
}

void Job::start() {
    if (!folder_.isValid()) {
        finish(false, QStringLiteral("一時フォルダを作れませんでした。"));
        return;
    }
    pdf_ = folder_.filePath(QStringLiteral("page.pdf"));
    connect(events_, &DWebBrowserEvents2::PrintFinished, this, &Job::pdfWritten);
    // The page's window closing ends the print.
    connect(events_, &QObject::destroyed, this,
            [this] { finish(false, QStringLiteral("印刷の途中でページが閉じられました。")); });
    timeout_.start();
    const HRESULT result = engine_->PrintToPdf(pdf_, printer_->pageLayout());
    if (FAILED(result)) finish(false, ComError(result).message());
}

void Job::pdfWritten(const QString& path, bool ok, const QString& message) {
    if (path != pdf_ || done_) return;
    if (!ok) {
        finish(false, message);
        return;
    }
    try {
        if (printsToFile(*printer_) && printer_->printRange() != QPrinter::PageRange) {
            // The user's file is replaced only by a complete one. A range of pages of it
            // is drawn as a printer gets it.
            AtomicFile::write(printer_->outputFileName(), AtomicFile::read(pdf_));
        } else {
            QString error;
            if (!drawPdf(pdf_, *printer_, &error)) {
                finish(false, error);
                return;
            }
        }
    } catch (const TavixError& e) {
        finish(false, e.message());
        return;
    }
    finish(true, QString());
}

void Job::finish(bool ok, const QString& message) {
    if (done_) return;
    done_ = true;
    timeout_.stop();
    if (events_) events_->disconnect(this);
    emit finished(ok, message);
    deleteLater();
}

void chooseAndPrint(QWidget* parent, WebBrowser2& engine, const QString& documentName,
                    std::function<void(Job*)> started) {
    // Shared with the job: the dialog may still look at it as it closes.
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(documentName);
    printer->setPageSize(QPageSize(QPageSize::A4));
    auto* dialog = new QPrintDialog(printer.get(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("印刷"));
    dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    QPointer<DWebBrowserEvents2> alive(&engine.events());
    WebBrowser2* page = &engine;
    QObject::connect(dialog, &QDialog::accepted, dialog, [printer, alive, page, started] {
        // The page's window may have closed while the dialog was open.
        if (!alive) return;
        auto* job = new Job(*page, printer);
        if (started) started(job);
        job->start();
    });
    dialog->open();
}

}  // namespace PagePrint
