// Find in page and printing in the built-in engine: its own find, which counts the
// matches and marks them, and its own PDF writer.

#include "engines/blink/BlinkBrowser.h"

#include <QWebEngineFindTextResult>
#include <QWebEnginePage>

HRESULT BlinkBrowser::Find(const QString& text, bool forward, bool matchCase) {
    if (text.isEmpty()) return E_INVALIDARG;
    QWebEnginePage::FindFlags flags;
    if (!forward) flags |= QWebEnginePage::FindBackward;
    if (matchCase) flags |= QWebEnginePage::FindCaseSensitively;
    QPointer<BlinkBrowser> self(this);
    page_->findText(text, flags, [self](const QWebEngineFindTextResult& result) {
        if (self) self->events().fireFindResult(result.activeMatch(), result.numberOfMatches());
    });
    return S_OK;
}

HRESULT BlinkBrowser::StopFinding() {
    page_->findText(QString());
    return S_OK;
}

HRESULT BlinkBrowser::PrintToPdf(const QString& path, const QPageLayout& layout) {
    if (path.isEmpty()) return E_INVALIDARG;
    page_->printToPdf(path, layout);
    return S_OK;
}
