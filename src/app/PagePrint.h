#pragma once
// Printing a page, the same for every engine: the platform's print dialog, then the
// page's engine writes the page as a PDF file and the file goes where the dialog said —
// as it is into the file the user named (print to file), or drawn page by page onto the
// printer chosen. The dialog and the work wait in the event loop, so the engines'
// processes go on answering while the user decides and the page is laid out.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class DWebBrowserEvents2;
class QPrinter;
class QWidget;
class WebBrowser2;

namespace PagePrint {

// Draws every page of the PDF file (or the dialog's page range) onto the printer, as
// pictures at the printer's resolution up to 300 dpi. False, with the reason, when the
// file cannot be read or the printer not started.
bool drawPdf(const QString& pdfPath, QPrinter& printer, QString* error);

// One print of one page onto one printer. It ends once, in finished, and deletes itself.
class Job : public QObject {
    Q_OBJECT
public:
    // How long the engine may take to lay the page out before the print counts as failed.
    static constexpr int EngineTimeoutMs = 120000;

    Job(WebBrowser2& engine, std::shared_ptr<QPrinter> printer, QObject* parent = nullptr);
    ~Job() override;
    void start();
    // Where the print went: the PDF file, or the printer's name.
    QString target() const;

signals:
    void finished(bool ok, const QString& message);

private:
    void pdfWritten(const QString& path, bool ok, const QString& message);
    void finish(bool ok, const QString& message);

    WebBrowser2* engine_;
    QPointer<DWebBrowserEvents2> events_;   // gone when the page's window closed
    std::shared_ptr<QPrinter> printer_;
    QTemporaryDir folder_;
    QString pdf_;
    QTimer timeout_;
    bool done_ = false;
};

// Opens the print dialog over the parent for the page of this engine; once the user
// confirms, starts a Job on the printer chosen and returns it through started.
void chooseAndPrint(QWidget* parent, WebBrowser2& engine, const QString& documentName,
                    std::function<void(Job*)> started);

}  // namespace PagePrint
