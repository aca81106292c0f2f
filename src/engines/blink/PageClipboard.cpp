#include "engines/blink/PageClipboard.h"

#include <QApplication>
#include <QMimeData>
#include <QWebEngineView>

namespace Blink {

namespace {

class ClipboardData : public IDataObject {
public:
    explicit ClipboardData(const QMimeData* data) : data_(data) {}
    const QMimeData* data() const override { return data_; }

private:
    const QMimeData* data_;
};

// The clipboard takes what it is given; a host's data stays the host's.
QMimeData* copyOf(const QMimeData* data) {
    auto* copy = new QMimeData;
    for (const QString& format : data->formats()) copy->setData(format, data->data(format));
    return copy;
}

}  // namespace

PageClipboard::PageClipboard(QWebEngineView* view, std::function<IDocHostUIHandler*()> host)
    : QObject(view), view_(view), host_(std::move(host)) {
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this, &PageClipboard::changed);
}

void PageClipboard::changed(QClipboard::Mode mode) {
    if (replacing_ || mode != QClipboard::Clipboard || !view_) return;
    QClipboard* clipboard = QGuiApplication::clipboard();
    // Only what this page wrote: the program holds the clipboard and the page has the
    // keyboard (Chromium lets a page write only in answer to its user). A clipboard
    // manager taking the data over is not the page writing again. (The offscreen
    // platform's clipboard lives in the program and never says it owns it.)
    if (!clipboard->ownsClipboard() && QGuiApplication::platformName() != QLatin1String("offscreen")) return;
    QWidget* focus = QApplication::focusWidget();
    if (!focus || (focus != view_ && !view_->isAncestorOf(focus))) return;
    IDocHostUIHandler* host = host_ ? host_() : nullptr;
    const QMimeData* written = clipboard->mimeData(mode);
    if (!host || !written) return;

    ClipboardData offered(written);
    IDataObject* replacement = nullptr;
    if (host->FilterDataObject(&offered, &replacement) != S_OK || !replacement || replacement == &offered) return;
    const QMimeData* data = replacement->data();
    if (!data) return;
    replacing_ = true;
    clipboard->setMimeData(copyOf(data), mode);
    replacing_ = false;
}

}  // namespace Blink
